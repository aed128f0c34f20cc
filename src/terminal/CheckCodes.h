// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The check codes: the byte checksum of data marked in the send box or the
// receive pane, shown in the box `cstext`; the checksum command that can
// append it to the send box; and the check mode ("校验和(字节)" or
// "CRC校验(字)"), where the CRC mode only relabels the box and stops the
// automatic checksum of send-box selections. Beside them the real CRC
// modes, one per catalogue model: a selection shows its CRC, and the
// command appends the CRC bytes in the protocol's byte order. A long
// selection of the receive pane is checked in slices, the window answering
// and the box showing the progress; a new selection, or the pane emptied,
// ends it.

#include "core/SelectionCheck.h"
#include "terminal/PaneTextStream.h"

#include <QList>
#include <QObject>
#include <memory>

class QAction;
class QLineEdit;
class QTimer;
class QWidget;
class Dialogs;
struct CrcModel;
class FormatSwitch;
class ReceivePane;
class SendPath;

class CheckCodes : public QObject
{
    Q_OBJECT
public:
    // A real CRC mode is FirstCrcModel + its place in CrcModels().
    enum Mode { ByteChecksum = 1, CrcWord = 2, FirstCrcModel = 3 };

    CheckCodes(Dialogs &dialogs, FormatSwitch &formats, SendPath &send, ReceivePane &pane,
               QWidget *parent);

    QLineEdit *cstext() const { return m_cstext; }
    QAction *mCheckSum() const { return m_mCheckSum; }
    QAction *mCRC() const { return m_mCRC; }
    // The items of the real CRC modes, in the order of CrcModels().
    const QList<QAction *> &crcItems() const { return m_crcItems; }

    int mode() const { return m_mode; }
    // Shows the stored mode: ticks its menu item and labels the box. Any
    // value that is no mode counts as CrcWord.
    void fnCheck(int mode);
    // The model of the current mode; null for the two classic modes.
    const CrcModel *crcModel() const;

    // The checksum command (menu 校验和 and toolbar button 5).
    void ChecksumCommand();
    // Mouse released over the send box or the receive pane.
    void CheckSendSelection();
    void CheckReceiveSelection();
    // Time a slice of a long check takes at most.
    static constexpr int kSliceMs = 20;

private:
    void invertMode();
    // The CRC of a selection in the send format, or a word that it is no data.
    QString crcText(const QString &selection) const;
    void checkSlice();
    void finishReceiveCheck();
    // Ends a check that runs, the box showing what it showed before.
    void stopReceiveCheck();

    // The check of the receive pane's selection that runs.
    struct ReceiveCheck
    {
        ReceiveCheck(DataFormat format, const CrcModel *model) : check(format, model) {}
        SelectionCheck check;
        std::unique_ptr<PaneTextStream> stream;
        qsizetype dataChars = 0;
        QString shownBefore;
    };
    std::unique_ptr<ReceiveCheck> m_receiveCheck;

    Dialogs &m_dialogs;
    FormatSwitch &m_formats;
    SendPath &m_send;
    ReceivePane &m_pane;
    int m_mode = ByteChecksum;
    QLineEdit *m_cstext;
    QAction *m_mCheckSum;
    QAction *m_mCRC;
    QList<QAction *> m_crcItems;
    QTimer *m_slices;
};
