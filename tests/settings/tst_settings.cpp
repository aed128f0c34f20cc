// SPDX-License-Identifier: GPL-3.0-or-later
// Loading and saving every setting, the case rule of the stores, and the
// INI file that survives a failed save.

#include "FileBytes.h"
#include "MemorySettingsStore.h"
#include "settings/IniSettingsStore.h"
#include "settings/Settings.h"
#include "core/TextCodec.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

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
        return {&comba, &text4, &numtext, {"2400,n,8,1"}, [this](DataFormat f) {
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

// The books a start loads from a store, saved as the exit saves them and
// loaded again, as the next start does: both loads must give the same.
void checkBooksSurviveASave(SettingsStore &store, const QStringList &parameterBook,
                            const QStringList &phoneBook)
{
    for (int run = 0; run < 2; ++run) {
        Window w;
        SettingsValues values;
        w.load(store, values);
        QCOMPARE(entriesOf(w.text4), parameterBook);
        QCOMPARE(entriesOf(w.numtext), phoneBook);
        QVERIFY(SaveSettings(store, values, w.widgets(),
                             {w.text4.currentText(), "1", "", DataFormat::Hex}));
    }
}

// The file cannot be read by this process while it lives. A test that runs
// as root, who reads any file, reads as the user nobody meanwhile.
class UnreadableFile
{
public:
    explicit UnreadableFile(const QString &path)
    {
        QFile::setPermissions(path, {});
        if (geteuid() == 0)
            m_wasRoot = seteuid(65534) == 0;
    }
    ~UnreadableFile()
    {
        if (m_wasRoot && seteuid(0) != 0)
            qFatal("cannot become root again");
    }

private:
    bool m_wasRoot = false;
};

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
    void keysNotOursNeverOverrideOurs_data();
    void keysNotOursNeverOverrideOurs();
    void aFileNotReadIsNeverWritten_data();
    void aFileNotReadIsNeverWritten();
    void aSaveKeepsLinksAndPermissions_data();
    void aSaveKeepsLinksAndPermissions();
    void eachValueIsReadAsUtf8OrGbk_data();
    void eachValueIsReadAsUtf8OrGbk();
    void aFileOfManyKeysLoads();
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
    QCOMPARE(values.autoReconnect, true);
    QCOMPARE(values.lineEnding, LineEnding::CrLf);
    QCOMPARE(values.crcModel, QString());
    QCOMPARE(values.breakMs, 250);
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
    before.text4.setCurrentText("115200,n,8,1,h");
    before.numtext.addItems({"777", "0755-123"});
    before.numtext.setCurrentText("0755-123");
    const SettingsValues saved{"/data/cmds.db", "orders", 2, 20000, "5", false, LineEnding::None, "CRC-8", 600,
                               20, 500, true, StampKind::Relative, 100, {}};
    const TerminalState terminal{"115200,n,8,1,h", "/dev/ttyUSB0", "01 03 00 00", DataFormat::Decimal};

    QVERIFY(SaveSettings(store, saved, before.widgets(), terminal));
    QCOMPARE(store.commits, 1);
    QCOMPARE(store.get("Settings", "Count", {}), QString("3"));

    Window after;
    SettingsValues loaded;
    QCOMPARE(after.load(store, loaded), QString("01 03 00 00"));
    QCOMPARE(entriesOf(after.text4), entriesOf(before.text4));
    QCOMPARE(after.text4.currentText(), QString("115200,n,8,1,h"));
    QCOMPARE(store.get("Settings", "Settings", {}), QString("115200,n,8,1,h"));
    QCOMPARE(entriesOf(after.numtext), entriesOf(before.numtext));
    QCOMPARE(after.numtext.currentText(), QString("0755-123"));
    QCOMPARE(after.comba.currentText(), QString(" /dev/ttyUSB0"));
    QCOMPARE(after.format, DataFormat::Decimal);
    QCOMPARE(loaded.databasePath, saved.databasePath);
    QCOMPARE(loaded.tableName, saved.tableName);
    QCOMPARE(loaded.checkKind, saved.checkKind);
    QCOMPARE(loaded.handshakeWaitMs, saved.handshakeWaitMs);
    QCOMPARE(loaded.passCount, saved.passCount);
    QCOMPARE(loaded.autoReconnect, saved.autoReconnect);
    QCOMPARE(loaded.lineEnding, saved.lineEnding);
    QCOMPARE(loaded.crcModel, saved.crcModel);
    QCOMPARE(loaded.breakMs, saved.breakMs);
    QCOMPARE(loaded.byteDelayMs, saved.byteDelayMs);
    QCOMPARE(loaded.lineEndDelayMs, saved.lineEndDelayMs);
    QCOMPARE(loaded.showSent, saved.showSent);
    QCOMPARE(loaded.stampKind, saved.stampKind);
    QCOMPARE(loaded.stampGapMs, saved.stampGapMs);
    // The new options keep to a section of their own.
    QCOMPARE(store.get("Extras", "LineEnding", {}), QString("NONE"));
    QCOMPARE(store.get("Extras", "ByteDelay", {}), QString("20"));
    QCOMPARE(store.get("Extras", "LineEndDelay", {}), QString("500"));
    QCOMPARE(store.get("Extras", "ShowSent", {}), QString("1"));
    QCOMPARE(store.get("Extras", "Timestamps", {}), QString("RELATIVE"));
    QCOMPARE(store.get("Extras", "StampGap", {}), QString("100"));

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
    QTest::newRow("120 appends to the design list too")
        << "120" << design + QStringList{"p0", "p1", "p2", "p3", "p4"} + QStringList(15, "")
        << QStringList{"t0", "t1", "t2", "t3"} + QStringList(17, "0");
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
    checkBooksSurviveASave(store, parameterBook, phoneBook);
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
    QTest::newRow("break length") << "BreakMs" << "1000" << "1000";
    QTest::newRow("break length of 0") << "BreakMs" << "0" << "250";
    QTest::newRow("break length beyond 10 s") << "BreakMs" << "10001" << "250";
    QTest::newRow("break length text") << "BreakMs" << "long" << "250";
    // A send delay out of its range reads as no delay.
    QTest::newRow("byte delay") << "ByteDelay" << "20 ms" << "20";
    QTest::newRow("byte delay beyond its range") << "ByteDelay" << "1001" << "0";
    QTest::newRow("negative byte delay") << "ByteDelay" << "-5" << "0";
    QTest::newRow("line-end delay at its top") << "LineEndDelay" << "10000" << "10000";
    QTest::newRow("line-end delay beyond its range") << "LineEndDelay" << "10001" << "0";
    // A frame gap out of its range reads as the default.
    QTest::newRow("stamp gap") << "StampGap" << "50" << "50";
    QTest::newRow("stamp gap of 0") << "StampGap" << "0" << "20";
    QTest::newRow("stamp gap beyond 10 s") << "StampGap" << "10001" << "20";
}

void TestSettings::numbersReadLeniently()
{
    QFETCH(QString, key);
    QFETCH(QString, stored);
    QFETCH(QString, value);

    MemorySettingsStore store;
    const bool extra = key == "BreakMs" || key.endsWith("Delay") || key == "StampGap";
    store.save(extra ? "Extras" : "Options", key, stored);
    Window w;
    SettingsValues values;
    w.load(store, values);
    const QString loaded = key == "waitModemTime"  ? QString::number(values.handshakeWaitMs)
                           : key == "CheckModel"   ? QString::number(values.checkKind)
                           : key == "BreakMs"      ? QString::number(values.breakMs)
                           : key == "ByteDelay"    ? QString::number(values.byteDelayMs)
                           : key == "LineEndDelay" ? QString::number(values.lineEndDelayMs)
                           : key == "StampGap"     ? QString::number(values.stampGapMs)
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
    const QByteArray old = FileBytes(path);
    QVERIFY(old.contains("777"));

    // Something in the way of the staging file makes the write fail.
    QVERIFY(QDir().mkpath(path + ".new/blocked"));
    store.save("Tels", "Tel", "8888");
    QVERIFY(!store.commit());
    QCOMPARE(FileBytes(path), old);

    QVERIFY(QDir(path + ".new").removeRecursively());
    QVERIFY(store.commit());
    QCOMPARE(IniSettingsStore(path).get("Tels", "Tel", {}), QString("8888"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"Kestrel5.0.ini"});
}

void TestSettings::keysNotOursNeverOverrideOurs_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("leading slash") << QByteArray("/count=x");
    QTest::newRow("escaped slash") << QByteArray("\\\\count=x");
    QTest::newRow("backslash") << QByteArray("\\count=x");
    QTest::newRow("trailing slash") << QByteArray("count/=x");
    QTest::newRow("section with a slash") << QByteArray("[/Tels]\ncount=x");
}

// A phone book of three numbers with a key that QSettings cannot name
// beside it: loaded, saved and loaded again, the book stays.
void TestSettings::keysNotOursNeverOverrideOurs()
{
    QFETCH(QByteArray, line);
    QTemporaryDir dir;
    const QString path = dir.filePath("Kestrel5.0.ini");
    WriteFileBytes(path, "[Tels]\nCount=3\nTel0=777\nTel1=778\nTel2=779\n" + line + "\n");
    IniSettingsStore store(path);
    checkBooksSurviveASave(store, {"2400,n,8,1"}, {"777", "778", "779"});
    QVERIFY(store.commit());
    IniSettingsStore next(path);
    checkBooksSurviveASave(next, {"2400,n,8,1"}, {"777", "778", "779"});
}

void TestSettings::aFileNotReadIsNeverWritten_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("no permission to read") << "unreadable";
    QTest::newRow("a FIFO") << "fifo";
    QTest::newRow("a folder") << "folder";
}

// A settings file that exists but cannot be read gives the defaults and a
// reason, and no save replaces it with them.
void TestSettings::aFileNotReadIsNeverWritten()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    QFile::setPermissions(dir.path(), QFile::permissions(dir.path()) | QFile::ExeOther);
    const QString path = dir.filePath("Kestrel5.0.ini");
    std::unique_ptr<IniSettingsStore> store;
    if (kind == "unreadable") {
        WriteFileBytes(path, "[Sendini]\nSendString=01 03\n");
        UnreadableFile unreadable(path);
        store = std::make_unique<IniSettingsStore>(path);
    } else {
        if (kind == "fifo")
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else
            QVERIFY(QDir().mkpath(path));
        store = std::make_unique<IniSettingsStore>(path);
    }
    QVERIFY(store->readError().startsWith(path + "（"));
    QCOMPARE(store->get("Sendini", "SendString", "default"), QString("default"));
    store->save("Sendini", "SendString", "");
    QVERIFY(!store->commit());
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot),
             QStringList{"Kestrel5.0.ini"});
    if (kind == "unreadable") {
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(FileBytes(path), QByteArray("[Sendini]\nSendString=01 03\n"));
    }
}

void TestSettings::aSaveKeepsLinksAndPermissions_data()
{
    QTest::addColumn<QString>("link");   // what the settings path is: a link to this, or the file
    QTest::addColumn<QString>("target"); // the file that holds the settings
    QTest::newRow("private file") << "" << "Kestrel5.0.ini";
    QTest::newRow("link") << "../real/settings.ini" << "real/settings.ini";
    QTest::newRow("link to a link") << "chain" << "real/settings.ini";
    QTest::newRow("link to a file still to make") << "../real/new.ini" << "real/new.ini";
}

void TestSettings::aSaveKeepsLinksAndPermissions()
{
    QFETCH(QString, link);
    QFETCH(QString, target);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("config") && QDir(dir.path()).mkpath("real"));
    const QString path = dir.filePath("config/Kestrel5.0.ini");
    const QString targetPath = dir.filePath(target);
    const bool exists = !target.endsWith("new.ini");
    if (exists) {
        WriteFileBytes(targetPath, "[Tels]\nTel=777\n");
        QFile::setPermissions(targetPath, QFile::ReadOwner | QFile::WriteOwner);
    }
    if (link == "chain") {
        QVERIFY(QFile::link("../real/settings.ini", dir.filePath("real/middle.ini")));
        QVERIFY(QFile::link("../real/middle.ini", path));
    } else if (!link.isEmpty()) {
        QVERIFY(QFile::link(link, path));
    }
    const QString settingsPath = link.isEmpty() ? targetPath : path;

    IniSettingsStore store(settingsPath);
    QCOMPARE(store.get("Tels", "Tel", "absent"), exists ? QString("777") : QString("absent"));
    store.save("Tels", "Tel", "8888");
    QVERIFY(store.commit());

    QCOMPARE(IniSettingsStore(targetPath).get("Tels", "Tel", {}), QString("8888"));
    QCOMPARE(QFileInfo(settingsPath).isSymLink(), !link.isEmpty());
    using std::filesystem::perms;
    if (exists)
        QCOMPARE(std::filesystem::status(targetPath.toStdString()).permissions(),
                 perms::owner_read | perms::owner_write);
    QVERIFY(!QFile::exists(targetPath + ".new"));
}

void TestSettings::eachValueIsReadAsUtf8OrGbk_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("tel");
    QTest::newRow("GBK, by a Chinese-locale editor or an earlier version")
        << EncodeGbk("[ComPort]\nPort=串口\n[Tels]\nTel=总机\n") << "串口" << "总机";
    QTest::newRow("GBK whose second byte is a backslash")
        << EncodeGbk("[ComPort]\nPort=1\n[Tels]\nTel=乗\n") << "1" << "乗";
    QTest::newRow("a UTF-8 port name beside a GBK number")
        << "[ComPort]\nPort=" + QString("模拟回环口").toUtf8() + "\n[Tels]\nTel=" + EncodeGbk("总机")
               + "\n"
        << "模拟回环口" << "总机";
    QTest::newRow("GBK lead bytes without their second byte, the last ending the file")
        << EncodeGbk("[ComPort]\nPort=串口") + "\x81" + EncodeGbk("\n[Tels]\nTel=总机") + "\x81"
        << "串口\uFFFD" << "总机\uFFFD";
}

// A value that is valid UTF-8 (as this program writes them) reads as UTF-8,
// one that is not as GBK; the next save writes every value as UTF-8, and
// they read back the same.
void TestSettings::eachValueIsReadAsUtf8OrGbk()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, port);
    QFETCH(QString, tel);
    QTemporaryDir dir;
    const QString path = dir.filePath("Kestrel5.0.ini");
    WriteFileBytes(path, file);
    for (int run = 0; run < 2; ++run) {
        IniSettingsStore store(path);
        QVERIFY(store.readError().isEmpty());
        QCOMPARE(store.get("ComPort", "Port", {}), port);
        QCOMPARE(store.get("Tels", "Tel", {}), tel);
        QVERIFY(store.commit());
        QVERIFY(FileBytes(path).contains(tel.toUtf8()));
    }
}

// A file of 100,000 keys loads (a linear search per key took minutes), and
// its keys are found without regard to case.
void TestSettings::aFileOfManyKeysLoads()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Kestrel5.0.ini");
    QByteArray text = "[Tels]\nTel=777\n[Many]\n";
    for (int i = 0; i < 100000; ++i)
        text += "Key" + QByteArray::number(i) + '=' + QByteArray::number(i) + '\n';
    WriteFileBytes(path, text);
    IniSettingsStore store(path);
    QCOMPARE(store.get("many", "key99999", {}), QString("99999"));
    QCOMPARE(store.get("TELS", "tel", {}), QString("777"));
    store.save("MANY", "KEY0", "zero");
    QCOMPARE(store.get("Many", "Key0", {}), QString("zero"));
}

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
