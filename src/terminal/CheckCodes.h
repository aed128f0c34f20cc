#pragma once
// The check codes: the byte checksum of data marked in the send box or the
// receive pane, shown in the box `cstext`; the checksum command that can
// append it to the send box; and the check mode ("校验和(字节)" or
// "CRC校验(字)"), where the CRC mode only relabels the box and stops the
// automatic checksum of send-box selections.

#include <QObject>

class QAction;
class QLineEdit;
class QWidget;
class Dialogs;
class FormatSwitch;
class ReceivePane;
class SendPath;

class CheckCodes : public QObject
{
    Q_OBJECT
public:
    enum Mode { ByteChecksum = 1, CrcWord = 2 };

    CheckCodes(Dialogs &dialogs, FormatSwitch &formats, SendPath &send, ReceivePane &pane,
               QWidget *parent);

    QLineEdit *cstext() const { return m_cstext; }
    QAction *mCheckSum() const { return m_mCheckSum; }
    QAction *mCRC() const { return m_mCRC; }

    int mode() const { return m_mode; }
    // Shows the stored mode: ticks its menu item and labels the box.
    void fnCheck(int mode);

    // The checksum command (menu 校验和 and toolbar button 5).
    void ChecksumCommand();
    // Mouse released over the send box or the receive pane.
    void CheckSendSelection();
    void CheckReceiveSelection();

private:
    void invertMode();

    Dialogs &m_dialogs;
    FormatSwitch &m_formats;
    SendPath &m_send;
    ReceivePane &m_pane;
    int m_mode = ByteChecksum;
    QLineEdit *m_cstext;
    QAction *m_mCheckSum;
    QAction *m_mCRC;
};
