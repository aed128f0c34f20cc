// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/Settings.h"

#include "core/AppFiles.h"
#include "core/NumberText.h"
#include "settings/SettingsStore.h"
#include "serial/NetworkAddress.h"
#include "terminal/PortPanel.h"
#include "terminal/SendPacing.h"

#include <QComboBox>
#include <limits>

namespace {

const QString kOptions = QStringLiteral("Options");
const QString kComPort = QStringLiteral("ComPort");
const QString kSettings = QStringLiteral("Settings");
const QString kTels = QStringLiteral("Tels");
const QString kSendini = QStringLiteral("Sendini");
const QString kModels = QStringLiteral("Models");
const QString kCount = QStringLiteral("Count");
const QString kExtras = QStringLiteral("Extras");

constexpr qint32 kDefaultHandshakeWaitMs = 35000;

struct Width
{
    qint64 min;
    qint64 max;
};
constexpr Width kByte{0, 255};
constexpr Width kInt16{std::numeric_limits<qint16>::min(), std::numeric_limits<qint16>::max()};
constexpr Width kInt32{std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()};

// A stored number read leniently and rounded to the given width. A number
// that does not fit counts as absent, so the default is used.
qint64 readNumber(const SettingsStore &store, const QString &section, const QString &key,
                  qint64 defaultValue, Width width)
{
    const QString text = store.get(section, key, QString::number(defaultValue));
    return ToIntegerWidth(LenientNumber(text), width.min, width.max).value_or(defaultValue);
}

// Adds entries to a box's list without changing the text the box shows.
void appendEntries(QComboBox *box, const QStringList &entries)
{
    const QString shown = box->currentText();
    box->addItems(entries);
    box->setCurrentText(shown);
}

// A book stored as section/"Count" and the numbered entries stem + index.
// Only a count from 1 to 99 replaces the list the box already has; the
// entries read are 0 to (count - 1) mod limit, none for a count below 1.
void loadBook(const SettingsStore &store, QComboBox *box, const QString &section,
              const QString &stem, const QString &absentEntry, int limit)
{
    const qint64 count = readNumber(store, section, kCount, 0, kInt16);
    if (count > 0 && count < 100)
        box->clear();
    QStringList entries;
    for (qint64 i = 0; i <= (count - 1) % limit; ++i)
        entries << store.get(section, stem + QString::number(i), absentEntry);
    appendEntries(box, entries);
}

QStringList entriesOf(const QComboBox *box)
{
    QStringList entries;
    for (int i = 0; i < box->count(); ++i)
        entries << box->itemText(i);
    return entries;
}

// The smallest count of 100 or more that loading reads as n entries
// appended to the design list: (count - 1) mod limit = n - 1.
int appendingCount(int n, int limit)
{
    int count = 100;
    while ((count - 1) % limit != n - 1)
        ++count;
    return count;
}

// Stores a book so that loading gives back the same list. A book of up to
// limit entries is stored with its count. A longer one that begins with the
// box's design list, as loading a count of 100 or more makes it, is stored
// that way again: the design list stays and up to limit entries follow. Any
// other book keeps its first limit entries.
void saveBook(SettingsStore &store, const QComboBox *box, const QString &section,
              const QString &stem, int limit, const QStringList &design = {})
{
    QStringList entries = entriesOf(box);
    int count = 0;
    const bool appended = !design.isEmpty() && entries.size() > qMax(limit, int(design.size()))
                          && entries.mid(0, design.size()) == design;
    if (appended) {
        entries = entries.mid(design.size(), limit);
        count = appendingCount(int(entries.size()), limit);
    } else {
        entries = entries.mid(0, limit);
        count = int(entries.size());
    }
    store.save(section, kCount, QString::number(count));
    for (int i = 0; i < entries.size(); ++i)
        store.save(section, stem + QString::number(i), entries[i]);
}

// The handshake wait as stored; no wait, or a negative one, cannot be meant
// and would leave the modem waits without a time-out.
qint32 readHandshakeWait(const SettingsStore &store)
{
    const qint64 wait = readNumber(store, kOptions, QStringLiteral("waitModemTime"),
                                   kDefaultHandshakeWaitMs, kInt32);
    return qint32(wait > 0 ? wait : kDefaultHandshakeWaitMs);
}

QString networkPortKey(int number)
{
    return QStringLiteral("NetworkPort%1").arg(number);
}

} // namespace

QString LoadSettings(const SettingsStore &store, SettingsValues &values,
                     const SettingsWidgets &widgets)
{
    values.databasePath = store.get(kOptions, QStringLiteral("DBName"), DefaultCommandDatabasePath());
    values.tableName = store.get(kOptions, QStringLiteral("TableName"), QStringLiteral("mm"));
    values.checkKind = quint8(readNumber(store, kOptions, QStringLiteral("CheckModel"), 1, kByte));
    values.handshakeWaitMs = readHandshakeWait(store);
    values.passCount = QString::number(
        readNumber(store, kOptions, QStringLiteral("LoopTimes"), 2, kInt32));
    values.autoReconnect = readNumber(store, kExtras, QStringLiteral("AutoReconnect"), 1, kByte) != 0;
    values.lineEnding = LineEndingNamed(store.get(kExtras, QStringLiteral("LineEnding"), QString()))
                            .value_or(LineEnding::CrLf);
    values.crcModel = store.get(kExtras, QStringLiteral("CrcModel"), QString());
    values.breakMs = int(readNumber(store, kExtras, QStringLiteral("BreakMs"), BreakLength::DefaultMs,
                                    {BreakLength::MinMs, BreakLength::MaxMs}));
    // A delay out of its range reads as none.
    values.byteDelayMs = int(readNumber(store, kExtras, QStringLiteral("ByteDelay"), 0, {0, kMaxByteDelayMs}));
    values.lineEndDelayMs =
        int(readNumber(store, kExtras, QStringLiteral("LineEndDelay"), 0, {0, kMaxLineEndDelayMs}));
    values.showSent = readNumber(store, kExtras, QStringLiteral("ShowSent"), 0, kByte) != 0;
    values.stampKind = StampKindNamed(store.get(kExtras, QStringLiteral("Timestamps"), QString())).value_or(StampKind::None);
    values.stampGapMs = int(readNumber(store, kExtras, QStringLiteral("StampGap"), StampGap::DefaultMs,
                                       {StampGap::MinMs, StampGap::MaxMs}));
    values.networkPorts.clear();
    for (int i = 1; i <= PortPanel::kNetworkPortsKept; ++i) {
        const QString port = store.get(kExtras, networkPortKey(i), QString()).trimmed();
        if (NetworkAddress::isNetworkName(port) && !values.networkPorts.contains(port))
            values.networkPorts << port;
    }
    values.zmodemAutoStart = readNumber(store, kExtras, QStringLiteral("ZmodemAutoStart"), 1, kByte) != 0;

    const QString port = store.get(kComPort, QStringLiteral("Port"), QStringLiteral("1"));
    if (!port.isEmpty())
        widgets.comba->setCurrentText(QLatin1Char(' ') + port);

    const QString portSettings = store.get(kSettings, kSettings, QStringLiteral("9600,n,8,1"));
    loadBook(store, widgets.text4, kSettings, QStringLiteral("setting"), QString(),
             kParameterBookLimit);
    if (!portSettings.isEmpty())
        widgets.text4->setCurrentText(portSettings);

    const QString tel = store.get(kTels, QStringLiteral("Tel"), QStringLiteral("#3"));
    loadBook(store, widgets.numtext, kTels, QStringLiteral("Tel"), QStringLiteral("0"),
             kPhoneBookLimit);
    widgets.numtext->setCurrentText(tel);

    const QString sendText = store.get(kSendini, QStringLiteral("SendString"), QString());

    const qint64 model = readNumber(store, kModels, QStringLiteral("Model"),
                                    int(DataFormat::Hex), kByte);
    if (const auto format = FormatFromCode(int(model)))
        widgets.setDataFormatBoth(*format);

    return sendText;
}

bool SaveSettings(SettingsStore &store, const SettingsValues &values,
                  const SettingsWidgets &widgets, const TerminalState &terminal)
{
    store.save(kSettings, kSettings, terminal.portSettings);
    saveBook(store, widgets.text4, kSettings, QStringLiteral("Setting"), kParameterBookLimit,
             widgets.parameterBookDesign);
    store.save(kComPort, QStringLiteral("Port"), terminal.portName);
    store.save(kTels, QStringLiteral("Tel"), widgets.numtext->currentText());
    saveBook(store, widgets.numtext, kTels, QStringLiteral("Tel"), kPhoneBookLimit);
    store.save(kSendini, QStringLiteral("SendString"), terminal.sendText);
    store.save(kModels, QStringLiteral("Model"), QString::number(int(terminal.sendFormat)));
    store.save(kOptions, QStringLiteral("DBName"), values.databasePath);
    store.save(kOptions, QStringLiteral("TableName"), values.tableName);
    store.save(kOptions, QStringLiteral("WaitModemTime"), QString::number(values.handshakeWaitMs));
    store.save(kOptions, QStringLiteral("LoopTimes"), values.passCount);
    store.save(kOptions, QStringLiteral("CheckModel"), QString::number(values.checkKind));
    store.save(kExtras, QStringLiteral("AutoReconnect"), values.autoReconnect ? QStringLiteral("1") : QStringLiteral("0"));
    store.save(kExtras, QStringLiteral("LineEnding"), LineEndingName(values.lineEnding));
    store.save(kExtras, QStringLiteral("CrcModel"), values.crcModel);
    store.save(kExtras, QStringLiteral("BreakMs"), QString::number(values.breakMs));
    store.save(kExtras, QStringLiteral("ByteDelay"), QString::number(values.byteDelayMs));
    store.save(kExtras, QStringLiteral("LineEndDelay"), QString::number(values.lineEndDelayMs));
    store.save(kExtras, QStringLiteral("ShowSent"), values.showSent ? QStringLiteral("1") : QStringLiteral("0"));
    store.save(kExtras, QStringLiteral("Timestamps"), StampKindName(values.stampKind));
    store.save(kExtras, QStringLiteral("StampGap"), QString::number(values.stampGapMs));
    for (int i = 1; i <= PortPanel::kNetworkPortsKept; ++i)
        store.save(kExtras, networkPortKey(i), values.networkPorts.value(i - 1));
    store.save(kExtras, QStringLiteral("ZmodemAutoStart"), values.zmodemAutoStart ? QStringLiteral("1") : QStringLiteral("0"));
    return store.commit();
}
