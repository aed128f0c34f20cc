// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Everything that puts the user's data on the line: the send box `Text1`,
// the one-shot send action, automatic sending on the timer `ding` with its
// interval box `fatime`, the send counter `zis`, the input assistant `addb`
// and the clear action.

#include "core/DataFormats.h"

#include <QObject>
#include <functional>

class QComboBox;
class QCheckBox;
class QGroupBox;
class QPushButton;
class QRadioButton;
class ClickLabel;
class Dialogs;
class FormatSwitch;
class LineEndingChoice;
class PacedSender;
class PacingOption;
class ReceivePath;
class Scheduler;
class SerialPort;
class StatusBar;
class TextPane;
class Timer;
class Toolbar;
struct TerminalFlags;

class SendPath : public QObject
{
    Q_OBJECT
public:
    struct Services
    {
        SerialPort &port;
        Scheduler &scheduler;
        Dialogs &dialogs;
        StatusBar &status;
        Toolbar &toolbar;
        TerminalFlags &flags;
        FormatSwitch &formats;
    };

    SendPath(const Services &services, QWidget *parent);
    void setReceivePath(ReceivePath *receive) { m_receive = receive; }
    // Stops the dial countdown when auto-sending is stopped by its button.
    void setStopCountdown(std::function<void()> stop) { m_stopCountdown = std::move(stop); }

    TextPane *Text1() const { return m_text1; }
    // The line end String format sends (option 发送行尾).
    LineEndingChoice *lineEnding() const { return m_lineEnding; }
    // The send pacing (option 发送节奏).
    PacingOption *pacing() const { return m_pacing; }
    QString sendText() const;
    // A program write: the text replaces the box's, the caret at its end.
    void setSendText(const QString &text);

    // The send action (`send`, menu 发送, toolbar button 1, Enter in String
    // format, each auto-send tick, the command sequencer).
    void Send();
    // Encodes and writes a text (empty: the send box's text) and counts it.
    void SendText(const QString &text);
    // Ends any sending state after a failure.
    void EndSend();
    // A paced send is still writing or pausing.
    bool isSending() const;
    // Serves events until a paced send is over: a caller that goes on after
    // a send (a command run, a patrol) keeps the pace with this.
    void waitUntilSent();

    void StartAutoSend();
    void StopAutoSend();
    void AutoSendTick();
    // The menu item 自动发送.
    void AutoSendMenu();
    // Stops the auto-send timer and a paced send alone (the program is
    // closing).
    void HaltAutoSend();
    // Toolbar button 3: stops auto-sending, a paced send and receiving at
    // once.
    void StopAll();
    void Clear();

    bool isAutoSending() const;
    // The port was applied: enable the start or send button and take the
    // interval from `fatime`.
    void onPortApplied();

    qint64 counter() const { return m_counter; }
    void resetCounter();
    // Bytes that have left by another way (a raw file send) count too.
    void count(qint64 count);

    // The widgets the main window places.
    QWidget *modeFrame() const;
    QComboBox *fatime() const { return m_fatime; }
    QPushButton *sendButton() const { return m_send; }
    QPushButton *startButton() const { return m_command2; }
    QPushButton *stopButton() const { return m_tingf; }
    QPushButton *clearButton() const { return m_qingf; }
    QCheckBox *assistant() const { return m_addb; }
    ClickLabel *counterLabel() const { return m_zis; }
    QWidget *intervalRow() const { return m_intervalRow; }

signals:
    // The mouse was released over the send box (the selection check).
    void mouseReleased();
    // A send was written: its bytes, and how many of them a write did not
    // get out (the write time-out). A paced send says its bytes as it
    // starts, and what it could not get out, with no bytes, when it ends.
    void dataSent(const QByteArray &bytes, qint64 unsent);

private:
    void buildControls(QWidget *parent);
    void chooseManual();
    void chooseAutomatic();
    void pickInterval();
    void assist();
    void showCounter();
    void reportUnsent(qint64 unsent);
    void endPacedSend();
    void paintInterval(const QColor &color);
    bool eventFilter(QObject *watched, QEvent *event) override;

    Services m_s;
    ReceivePath *m_receive = nullptr;
    std::function<void()> m_stopCountdown;
    LineEndingChoice *m_lineEnding = nullptr;
    PacingOption *m_pacing = nullptr;
    PacedSender *m_paced = nullptr;
    Timer *m_ding = nullptr;
    qint64 m_counter = 0;
    int m_lastKey = 0;
    bool m_inTick = false;

    TextPane *m_text1 = nullptr;
    QPushButton *m_send = nullptr;
    QPushButton *m_command2 = nullptr;
    QPushButton *m_tingf = nullptr;
    QPushButton *m_qingf = nullptr;
    QGroupBox *m_f4 = nullptr;
    QRadioButton *m_shoudong = nullptr;
    QRadioButton *m_zidong = nullptr;
    QComboBox *m_fatime = nullptr;
    QWidget *m_intervalRow = nullptr;
    QCheckBox *m_addb = nullptr;
    ClickLabel *m_zis = nullptr;
};
