// SPDX-License-Identifier: GPL-3.0-or-later
// What a large settings file costs: the time to load a file of 100,000 keys
// (or the count given), to look up every key in another case, and to save
// them all; then the time to load a file of as many keys whose Chinese values
// are UTF-8 and GBK by turns, as a file edited in a GBK editor can be.
//
//   settings_bench [keys]
//
// Each figure is printed as one line "name: value".

#include "core/TextCodec.h"
#include "settings/IniSettingsStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>

namespace {

// Writes the section [Many] of `keys` keys, key i holding value(i).
bool writeSettingsFile(const QString &path, int keys, const std::function<QByteArray(int)> &value)
{
    QByteArray text = "[Many]\n";
    for (int i = 0; i < keys; ++i)
        text += "Key" + QByteArray::number(i) + '=' + value(i) + '\n';
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int keys = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    QTemporaryDir dir;
    const QString path = dir.filePath("Kestrel5.0.ini");
    if (!writeSettingsFile(path, keys, [](int i) { return QByteArray::number(i); }))
        return 1;
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

    const QString mixedPath = dir.filePath("mixed.ini");
    const auto chinese = [](int i) {
        const QString text = QStringLiteral("端口%1").arg(i);
        return i % 2 ? EncodeGbk(text) : text.toUtf8();
    };
    if (!writeSettingsFile(mixedPath, keys, chinese))
        return 1;
    timer.start();
    IniSettingsStore mixed(mixedPath);
    std::printf("load of %d keys in UTF-8 and GBK: %.3f s\n", keys, timer.nsecsElapsed() / 1e9);
    return 0;
}
