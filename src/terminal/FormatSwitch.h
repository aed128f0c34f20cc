// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The current send and receive formats with their selectors `Mods` and
// `Modr`, the switch that sets them, and the conversion of text already
// standing in the send box or the receive pane.

#include "core/DataFormats.h"

#include <QObject>
#include <functional>
#include <optional>

class QComboBox;
class QWidget;
class Dialogs;
class TextPane;

class FormatSwitch : public QObject
{
    Q_OBJECT
public:
    enum Directions { ReceiveOnly = 1, Both = 2, SendOnly = 3 };

    FormatSwitch(Dialogs &dialogs, QWidget *parent);

    QComboBox *sendSelector() const { return m_mods; }
    QComboBox *receiveSelector() const { return m_modr; }

    DataFormat sendFormat() const { return m_send; }
    DataFormat receiveFormat() const { return m_receive; }

    // Sets the formats of the given directions; a code that is not one of
    // 5, 16, 10, 8 changes nothing. No text is converted.
    void SetDataFormat(int code, int directions);

    // Toolbar button "转换 ": send format Hex makes both String, any other
    // makes both Hex.
    void ToggleBoth();

    // Converts a box's text between hex and characters and flips that
    // direction's format. Nothing happens in Decimal or Octal. A text with
    // a bad hex pair is refused with a message and left as it was.
    using TextAccess = std::pair<std::function<QString()>, std::function<void(const QString &)>>;
    void ChngT(const TextAccess &sendBox);
    // Converts the receive pane's data, all of its history, piece by piece
    // through a file (see PaneConversion); its notes (shown sends, time
    // stamps) stay as they are between the converted pieces. A file that
    // cannot be written leaves the pane as it was, and says why.
    void ChngR(TextPane &receivePane);

signals:
    void formatsChanged();

private:
    void fnModS();
    void fnModR();
    void convert(const TextAccess &box, DataFormat format, int direction);
    // A text converted from a format: Hex text to characters (none when it
    // is no Hex text), characters to Hex text.
    static std::optional<QString> converted(const QString &text, DataFormat format);
    void sayNotConvertible();

    Dialogs &m_dialogs;
    QComboBox *m_mods;
    QComboBox *m_modr;
    DataFormat m_send = DataFormat::Hex;
    DataFormat m_receive = DataFormat::Hex;
};
