// Loading and saving every setting, the case rule of the stores, and the
// INI file that survives a failed save.

#include "MemorySettingsStore.h"
#include "settings/IniSettingsStore.h"
#include "settings/Settings.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {

// The three combo boxes as the main window designs them, and the format
// switch recording what it was asked to show.
struct Window
{
    QComboBox comba;
    QComboBox text4;
    QComboBox numtext;
    std::optional<DataFormat> format;
    int formatSwitches = 0;

    Window()
    {
        for (QComboBox *box : {&comba, &text4, &numtext})
            box->setEditable(true);
        comba.addItems({" 1", " 2", " 3", " 4", " 5"});
        comba.setCurrentText(" 1");
        text4.addItem("2400,n,8,1");
        text4.setCurrentText("9600,n,8,1");
    }

    SettingsWidgets widgets()
    {
        return {&comba, &text4, &numtext, [this](DataFormat f) {
                    format = f;
                    ++formatSwitches;
                }};
    }

    QString load(const SettingsStore &store, SettingsValues &values)
    {
        return LoadSettings(store, values, widgets());
    }
};

QStringList entriesOf(const QComboBox &box)
{
    QStringList list;
    for (int i = 0; i < box.count(); ++i)
        list << box.itemText(i);
    return list;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void emptyStoreGivesDefaults();
    void saveThenLoadRestoresEverything();
    void bookCounts_data();
    void bookCounts();
    void longBooksKeepTheirFirstEntries();
    void modelSelectsBothFormats_data();
    void modelSelectsBothFormats();
    void numbersReadLeniently_data();
    void numbersReadLeniently();
    void namesIgnoreCase();
    void iniFileRoundTrip();
    void failedSaveKeepsOldFile();
};

void TestSettings::emptyStoreGivesDefaults()
{
    MemorySettingsStore store;
    SettingsValues values;
    Window w;

    QCOMPARE(w.load(store, values), QString());

    const QString dataFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QCOMPARE(values.databasePath, dataFolder + "/OrderDB.db");
    QVERIFY(QDir(dataFolder).exists());
    QCOMPARE(values.tableName, QString("mm"));
    QCOMPARE(values.checkKind, 1);
    QCOMPARE(values.handshakeWaitMs, 35000);
    QCOMPARE(values.passCount, QString("2"));
    QCOMPARE(w.comba.currentText(), QString(" 1"));
    QCOMPARE(w.text4.currentText(), QString("9600,n,8,1"));
    QCOMPARE(entriesOf(w.text4), QStringList{"2400,n,8,1"});
    QCOMPARE(w.numtext.currentText(), QString("#3"));
    QCOMPARE(w.numtext.count(), 0);
    QCOMPARE(w.format, DataFormat::Hex);
    QCOMPARE(store.commits, 0);
}

void TestSettings::saveThenLoadRestoresEverything()
{
    MemorySettingsStore store;
    Window before;
    before.text4.clear();
    before.text4.addItems({"19200,e,7,1", "", "4800,o,8,2"});
    before.text4.setCurrentText("115200,n,8,1");
    before.numtext.addItems({"777", "0755-123"});
    before.numtext.setCurrentText("0755-123");
    const SettingsValues saved{"/data/cmds.db", "orders", 2, 20000, "5"};
    const TerminalState terminal{"115200,n,8,1", "/dev/ttyUSB0", "01 03 00 00", DataFormat::Decimal};

    QVERIFY(SaveSettings(store, saved, before.widgets(), terminal));
    QCOMPARE(store.commits, 1);
    QCOMPARE(store.get("Settings", "Count", {}), QString("3"));

    Window after;
    SettingsValues loaded;
    QCOMPARE(after.load(store, loaded), QString("01 03 00 00"));
    QCOMPARE(entriesOf(after.text4), entriesOf(before.text4));
    QCOMPARE(after.text4.currentText(), QString("115200,n,8,1"));
    QCOMPARE(entriesOf(after.numtext), entriesOf(before.numtext));
    QCOMPARE(after.numtext.currentText(), QString("0755-123"));
    QCOMPARE(after.comba.currentText(), QString(" /dev/ttyUSB0"));
    QCOMPARE(after.format, DataFormat::Decimal);
    QCOMPARE(loaded.databasePath, saved.databasePath);
    QCOMPARE(loaded.tableName, saved.tableName);
    QCOMPARE(loaded.checkKind, saved.checkKind);
    QCOMPARE(loaded.handshakeWaitMs, saved.handshakeWaitMs);
    QCOMPARE(loaded.passCount, saved.passCount);

    store.writable = false;
    QVERIFY(!SaveSettings(store, saved, before.widgets(), terminal));
}

void TestSettings::bookCounts_data()
{
    QTest::addColumn<QString>("count");
    QTest::addColumn<QStringList>("parameterBook");
    QTest::addColumn<QStringList>("phoneBook");

    const QStringList design{"2400,n,8,1"};
    QTest::newRow("3") << "3" << QStringList{"p0", "p1", "p2"} << QStringList{"t0", "t1", "t2"};
    QTest::newRow("25 wraps to 5") << "25" << QStringList{"p0", "p1", "p2", "p3", "p4"}
                                   << QStringList{"t0", "t1", "t2", "t3"} + QStringList(21, "0");
    QTest::newRow("21 wraps to 1") << "21" << QStringList{"p0"}
                                   << QStringList{"t0", "t1", "t2", "t3"} + QStringList(17, "0");
    QTest::newRow("0 reads none") << "0" << design << QStringList{};
    QTest::newRow("negative reads none") << "-4" << design << QStringList{};
    QTest::newRow("beyond 16 bits is absent") << "40000" << design << QStringList{};
    QTest::newRow("100 appends to the design list")
        << "100" << design + QStringList{"p0", "p1", "p2", "p3", "p4"} + QStringList(15, "")
        << QStringList{"t0"};
}

// Four phone and five parameter entries are stored; the others are absent
// and read as "0" and "" respectively.
void TestSettings::bookCounts()
{
    QFETCH(QString, count);
    QFETCH(QStringList, parameterBook);
    QFETCH(QStringList, phoneBook);

    MemorySettingsStore store;
    store.save("Settings", "Count", count);
    store.save("Tels", "Count", count);
    for (int i = 0; i < 5; ++i)
        store.save("Settings", QString("Setting%1").arg(i), QString("p%1").arg(i));
    for (int i = 0; i < 4; ++i)
        store.save("Tels", QString("Tel%1").arg(i), QString("t%1").arg(i));

    Window w;
    SettingsValues values;
    w.load(store, values);
    QCOMPARE(entriesOf(w.text4), parameterBook);
    QCOMPARE(entriesOf(w.numtext), phoneBook);
    QCOMPARE(w.text4.currentText(), QString("9600,n,8,1"));
    QCOMPARE(w.numtext.currentText(), QString("#3"));
}

void TestSettings::longBooksKeepTheirFirstEntries()
{
    QStringList parameters, numbers;
    for (int i = 0; i < 25; ++i)
        parameters << QString("%1,n,8,1").arg(1200 + i);
    for (int i = 0; i < 120; ++i)
        numbers << QString::number(7000 + i);

    MemorySettingsStore store;
    Window before;
    before.text4.clear();
    before.text4.addItems(parameters);
    before.numtext.addItems(numbers);
    QVERIFY(SaveSettings(store, SettingsValues{}, before.widgets(), TerminalState{}));
    QCOMPARE(store.get("Settings", "Count", {}), QString("20"));
    QCOMPARE(store.get("Tels", "Count", {}), QString("99"));

    Window after;
    SettingsValues values;
    after.load(store, values);
    QCOMPARE(entriesOf(after.text4), parameters.mid(0, 20));
    QCOMPARE(entriesOf(after.numtext), numbers.mid(0, 99));
}

void TestSettings::modelSelectsBothFormats_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<std::optional<DataFormat>>("format");

    QTest::newRow("10") << "10" << std::optional(DataFormat::Decimal);
    QTest::newRow("8.4 rounds to 8") << "8.4" << std::optional(DataFormat::Octal);
    QTest::newRow("3 is no format") << "3" << std::optional<DataFormat>();
    QTest::newRow("text reads 0") << "Hex" << std::optional<DataFormat>();
    QTest::newRow("beyond a byte is absent") << "266" << std::optional(DataFormat::Hex);
}

void TestSettings::modelSelectsBothFormats()
{
    QFETCH(QString, model);
    QFETCH(std::optional<DataFormat>, format);

    MemorySettingsStore store;
    store.save("Models", "Model", model);
    Window w;
    SettingsValues values;
    w.load(store, values);
    QCOMPARE(w.format, format);
    QCOMPARE(w.formatSwitches, format ? 1 : 0);
}

void TestSettings::numbersReadLeniently_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("value");

    QTest::newRow("wait with unit") << "waitModemTime" << " 20 000 ms" << "20000";
    QTest::newRow("wait beyond 32 bits") << "waitModemTime" << "3e9" << "35000";
    QTest::newRow("wait of 0") << "waitModemTime" << "0" << "35000";
    QTest::newRow("negative wait") << "waitModemTime" << "-5000" << "35000";
    QTest::newRow("check kind text") << "CheckModel" << "crc" << "0";
    QTest::newRow("check kind beyond a byte") << "CheckModel" << "256" << "1";
    QTest::newRow("pass count text") << "LoopTimes" << "abc" << "0";
    QTest::newRow("pass count half") << "LoopTimes" << "2.5" << "2";
    QTest::newRow("pass count beyond 32 bits") << "LoopTimes" << "1e12" << "2";
    QTest::newRow("pass count beyond 64 bits") << "LoopTimes" << "1e308" << "2";
    QTest::newRow("wait far below 64 bits") << "waitModemTime" << "-1e308" << "35000";
}

void TestSettings::numbersReadLeniently()
{
    QFETCH(QString, key);
    QFETCH(QString, stored);
    QFETCH(QString, value);

    MemorySettingsStore store;
    store.save("Options", key, stored);
    Window w;
    SettingsValues values;
    w.load(store, values);
    const QString loaded = key == "waitModemTime" ? QString::number(values.handshakeWaitMs)
                           : key == "CheckModel"  ? QString::number(values.checkKind)
                                                  : values.passCount;
    QCOMPARE(loaded, value);
}

void TestSettings::namesIgnoreCase()
{
    SettingsEntries entries;
    entries.set("Options", "WaitModemTime", "20000");
    entries.set("OPTIONS", "waitmodemtime", "25000");
    entries.set("options", "TableName", "mm");
    QCOMPARE(entries.find("options", "waitModemTime"), QString("25000"));
    QCOMPARE(entries.find("Options", "tablename"), QString("mm"));
    QCOMPARE(entries.find("Option", "TableName"), std::nullopt);
    QCOMPARE(entries.all().size(), 2);
    for (const SettingsEntries::Entry &e : entries.all())
        QCOMPARE(e.section, QString("Options"));
    QCOMPARE(entries.all().first().key, QString("WaitModemTime"));
}

void TestSettings::iniFileRoundTrip()
{
    const QString userFile = IniSettingsStore::DefaultFilePath();
    QCOMPARE(QFileInfo(userFile).absolutePath(),
             QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    QCOMPARE(QFileInfo(userFile).fileName(), QString("Kestrel5.0.ini"));

    QTemporaryDir dir;
    const QString path = dir.filePath("sub/Kestrel5.0.ini");
    const QStringList awkward{"9600,n,8,1", " 1", R"(say "hi" \ back)", "@Variant(x)",
                              "中文;注释=1", "two\r\nlines", ""};
    {
        IniSettingsStore store(path);
        store.save("Options", "WaitModemTime", "20000");
        for (int i = 0; i < awkward.size(); ++i)
            store.save("Settings", QString("Setting%1").arg(i), awkward[i]);
        store.save("Settings", "Count", QString::number(awkward.size()));
        QVERIFY(store.commit());
    }
    QVERIFY(!QFile::exists(path + ".new"));

    IniSettingsStore reread(path);
    for (int i = 0; i < awkward.size(); ++i)
        QCOMPARE(reread.get("settings", QString("setting%1").arg(i), "absent"), awkward[i]);
    Window w;
    SettingsValues values;
    w.load(reread, values);
    QCOMPARE(values.handshakeWaitMs, 20000);
    QCOMPARE(entriesOf(w.text4), awkward);

    // A name saved in another case replaces the entry under its first
    // spelling. (The new value differs in length: QSettings takes a file of
    // the same size and time stamp for the one it has already read.)
    reread.save("OPTIONS", "waitmodemtime", "5000");
    QVERIFY(reread.commit());
    QSettings raw(path, QSettings::IniFormat);
    QCOMPARE(raw.childGroups(), (QStringList{"Options", "Settings"}));
    raw.beginGroup("Options");
    QCOMPARE(raw.childKeys(), QStringList{"WaitModemTime"});
    QCOMPARE(raw.value("WaitModemTime").toString(), QString("5000"));
}

void TestSettings::failedSaveKeepsOldFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Kestrel5.0.ini");
    IniSettingsStore store(path);
    store.save("Tels", "Tel", "777");
    QVERIFY(store.commit());
    const QByteArray old = fileBytes(path);
    QVERIFY(old.contains("777"));

    // Something in the way of the staging file makes the write fail.
    QVERIFY(QDir().mkpath(path + ".new/blocked"));
    store.save("Tels", "Tel", "8888");
    QVERIFY(!store.commit());
    QCOMPARE(fileBytes(path), old);

    QVERIFY(QDir(path + ".new").removeRecursively());
    QVERIFY(store.commit());
    QCOMPARE(IniSettingsStore(path).get("Tels", "Tel", {}), QString("8888"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"Kestrel5.0.ini"});
}

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
