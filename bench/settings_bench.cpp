// What a large settings file costs: the time to load a file of 100,000 keys
// (or the count given), to look up every key in another case, and to save
// them all.
//
//   settings_bench [keys]
//
// Each figure is printed as one line "name: value".

#include "settings/IniSettingsStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int keys = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    QTemporaryDir dir;
    const QString path = dir.filePath("Kestrel5.0.ini");
    {
        QByteArray text = "[Many]\n";
        for (int i = 0; i < keys; ++i)
            text += "Key" + QByteArray::number(i) + '=' + QByteArray::number(i) + '\n';
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
            return 1;
    }
    QElapsedTimer timer;
    timer.start();
    IniSettingsStore store(path);
    std::printf("load of %d keys: %.3f s\n", keys, timer.nsecsElapsed() / 1e9);

    timer.start();
    int found = 0;
    for (int i = 0; i < keys; ++i)
        found += !store.get("MANY", QStringLiteral("KEY%1").arg(i), {}).isEmpty();
    std::printf("lookup of every key: %.3f s (%d found)\n", timer.nsecsElapsed() / 1e9, found);

    timer.start();
    const bool saved = store.commit();
    std::printf("save of %d keys: %.3f s%s\n", keys, timer.nsecsElapsed() / 1e9,
                saved ? "" : " (failed)");
    return 0;
}
