// SPDX-License-Identifier: GPL-3.0-or-later
// The built-in pictures: each drawn at both sizes the toolbar, the tray and
// the window use, so none is scaled from the other; the program icon is the
// icon theme's, the built-in one where the theme lacks it.

#include "desktop/Artwork.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

class ArtworkTest : public QObject
{
    Q_OBJECT
private slots:
    void everyPictureIsDrawnAt16And32Px_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *name : {"kestrel", "kestrel-1", "kestrel-2", "kestrel-3", "send", "receive", "stop",
                                 "convert", "check", "help", "enlarge", "restore", "pin-off", "pin-on", "keyword"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    void everyPictureIsDrawnAt16And32Px()
    {
        QFETCH(QString, name);
        const QIcon icon = KestrelIcon(name.toLatin1().constData());
        QCOMPARE(icon.availableSizes(), (QList<QSize>{QSize(16, 16), QSize(32, 32)}));
        for (const int size : {16, 32})
            QCOMPARE(icon.pixmap(size, size).toImage().size(), QSize(size, size));
    }

    void programIconComesFromTheThemeElseBuiltIn_data()
    {
        QTest::addColumn<bool>("themeHasIt");
        QTest::newRow("theme has the icon") << true;
        QTest::newRow("theme lacks it") << false;
    }

    void programIconComesFromTheThemeElseBuiltIn()
    {
        QFETCH(bool, themeHasIt);
        // A theme of its own, with the program icon at 48 px only: a size
        // the built-in picture lacks.
        QTemporaryDir themes;
        QDir theme(themes.filePath("test"));
        QVERIFY(theme.mkpath("48x48/apps"));
        QFile index(theme.filePath("index.theme"));
        QVERIFY(index.open(QIODevice::WriteOnly));
        index.write("[Icon Theme]\nName=test\nDirectories=48x48/apps\n\n[48x48/apps]\nSize=48\nType=Fixed\n");
        index.close();
        if (themeHasIt) {
            QImage picture(48, 48, QImage::Format_ARGB32);
            picture.fill(Qt::red);
            QVERIFY(picture.save(theme.filePath("48x48/apps/kestrel.png")));
        }
        QIcon::setThemeSearchPaths({themes.path()});
        QIcon::setThemeName("test");
        QIcon::setFallbackThemeName("test");

        const QList<QSize> expected = themeHasIt ? QList<QSize>{QSize(48, 48)} : KestrelIcon("kestrel").availableSizes();
        QCOMPARE(ProgramIcon().availableSizes(), expected);
    }
};

QTEST_MAIN(ArtworkTest)
#include "tst_artwork.moc"
