// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Loading every setting at start-up and saving every setting at exit.
//
// LoadSettings fills the settings values, the port selector, the parameter
// box with its book and the phone box with its book, and switches both data
// formats. SaveSettings writes all of that back in one commit of the store.

#include "core/DataFormats.h"
#include "serial/SerialPort.h"
#include "terminal/ReceiveStamps.h"

#include <QString>
#include <QStringList>
#include <functional>

class QComboBox;
class SettingsStore;

// The settings that live outside any control; LoadSettings fills them.
struct SettingsValues
{
    QString databasePath;       // command database file ("Options"/"DBName")
    QString tableName;          // command table ("Options"/"TableName")
    quint8 checkKind = 0;       // 1 byte checksum, 2 CRC word ("Options"/"CheckModel")
    qint32 handshakeWaitMs = 0; // modem handshake wait ("Options"/"waitModemTime")
    QString passCount;          // patrol pass count, held as text ("Options"/"LoopTimes")
    // Options of the section "Extras", which files of earlier versions lack.
    bool autoReconnect = true;                // "Extras"/"AutoReconnect", 1 or 0
    LineEnding lineEnding = LineEnding::CrLf; // "Extras"/"LineEnding": CRLF, LF, CR or NONE
    // A real CRC mode's model ("CRC-16/MODBUS"); empty in the two classic
    // modes, which "Options"/"CheckModel" keeps as before ("Extras"/"CrcModel").
    QString crcModel;
    // How long a break holds the line ("Extras"/"BreakMs"); a stored length
    // outside 1 to 10000 ms reads as the default.
    int breakMs = BreakLength::DefaultMs;
    // Send pacing in milliseconds, 0 for none: after each byte
    // ("Extras"/"ByteDelay", 0 to 1000) and after each line end
    // ("Extras"/"LineEndDelay", 0 to 10000).
    int byteDelayMs = 0;
    int lineEndDelayMs = 0;
    // Sends are shown in the receive pane ("Extras"/"ShowSent", 1 or 0).
    bool showSent = false;
    // The receive pane's time stamps ("Extras"/"Timestamps": NONE, TIME,
    // RELATIVE or DATETIME) and the pause that starts a frame line in the
    // byte formats ("Extras"/"StampGap", 1 to 10000 ms, else the default).
    StampKind stampKind = StampKind::None;
    int stampGapMs = StampGap::DefaultMs;
    // The network ports opened lately, the latest first, at most ten
    // ("Extras"/"NetworkPort1" to "NetworkPort10"; an unused key is empty).
    QStringList networkPorts;
    // A ZMODEM send from the device offers to receive
    // ("Extras"/"ZmodemAutoStart", 1 or 0).
    bool zmodemAutoStart = true;
};

// The main window's controls that the settings fill and are read from.
struct SettingsWidgets
{
    QComboBox *comba = nullptr;   // port selector
    QComboBox *text4 = nullptr;   // port settings text; its list is the parameter book
    QComboBox *numtext = nullptr; // phone number; its list is the phone book
    // The list text4 has by design: a stored Count of 100 or more keeps it
    // and appends the stored entries.
    QStringList parameterBookDesign;
    // Switches the send and the receive data format together.
    std::function<void(DataFormat)> setDataFormatBoth;
};

// What the exit saves besides the settings values and the controls above.
struct TerminalState
{
    QString portSettings; // the port's current PortSettings text
    QString portName;     // the port's current number or device name
    QString sendText;     // the send box's text
    DataFormat sendFormat = DataFormat::Hex;
};

// The most entries each book keeps in the store.
inline constexpr int kParameterBookLimit = 20;
inline constexpr int kPhoneBookLimit = 99;

// Reads every setting; entries that are absent, or numbers that do not fit
// their width, take their defaults. Returns the saved send box text.
QString LoadSettings(const SettingsStore &store, SettingsValues &values,
                     const SettingsWidgets &widgets);

// Writes every setting and commits the store once. False when the store
// could not be written (it then still holds the settings saved before).
bool SaveSettings(SettingsStore &store, const SettingsValues &values,
                  const SettingsWidgets &widgets, const TerminalState &terminal);
