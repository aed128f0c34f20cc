// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Send pacing, for devices without flow control that lose bytes sent
// back to back: a pause after each byte and a further pause after each
// line end. The option 发送节奏 holds the two delays and asks for them.

#include <QByteArray>
#include <QObject>
#include <optional>

class QAction;
class Dialogs;

inline constexpr int kMaxByteDelayMs = 1000;
inline constexpr int kMaxLineEndDelayMs = 10000;

struct SendPacing
{
    int byteDelayMs = 0;
    int lineEndDelayMs = 0;

    // With both delays 0 a send goes out in one write, unpaced.
    bool isOn() const { return byteDelayMs > 0 || lineEndDelayMs > 0; }
    // The pause after byte i of bytes: the byte delay, and the line-end
    // delay besides when the byte ends a line.
    int pauseAfter(const QByteArray &bytes, qsizetype i) const;
    bool operator==(const SendPacing &) const = default;
};

// Whether byte i ends a line: an LF, or a CR that no LF follows (CR LF is
// one line end, ending at its LF). In String format these are exactly the
// bytes of the line end chosen under 发送行尾, as GBK puts no CR or LF
// inside a character; in the byte formats they are the CR and LF bytes.
bool EndsLine(const QByteArray &bytes, qsizetype i);

// The menu item 发送节奏 (mSendPacing), ticked while pacing is on, and the
// two questions it asks.
class PacingOption : public QObject
{
    Q_OBJECT
public:
    PacingOption(Dialogs &dialogs, QObject *parent);

    SendPacing value() const { return m_value; }
    void setValue(SendPacing pacing);
    QAction *item() const { return m_item; }

    // Asks for both delays; Cancel at either question changes nothing. A
    // delay out of its range is named with its range and asked again.
    void ask();

private:
    std::optional<int> askDelay(const QString &prompt, int current, int max);

    Dialogs &m_dialogs;
    SendPacing m_value;
    QAction *m_item = nullptr;
};
