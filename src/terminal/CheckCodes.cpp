// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/CheckCodes.h"

#include "core/Crc.h"
#include "core/DataFormats.h"
#include "core/Dialogs.h"
#include "core/SelectionCheck.h"
#include "terminal/FormatSwitch.h"
#include "terminal/PaneTextStream.h"
#include "terminal/ReceivePane.h"
#include "terminal/SendPath.h"

#include <QAction>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTimer>

CheckCodes::CheckCodes(Dialogs &dialogs, FormatSwitch &formats, SendPath &send, ReceivePane &pane,
                       QWidget *parent)
    : QObject(parent),
      m_dialogs(dialogs),
      m_formats(formats),
      m_send(send),
      m_pane(pane),
      m_cstext(new QLineEdit(parent)),
      m_mCheckSum(new QAction(QStringLiteral("校验和(字节)"), parent)),
      m_mCRC(new QAction(QStringLiteral("CRC校验(字)"), parent)),
      m_slices(new QTimer(this))
{
    m_cstext->setObjectName(QStringLiteral("cstext"));
    m_mCheckSum->setObjectName(QStringLiteral("mCheckSum"));
    m_mCRC->setObjectName(QStringLiteral("mCRC"));
    m_mCheckSum->setCheckable(true);
    m_mCRC->setCheckable(true);
    // Between the two classic modes an item flips both marks; from a real
    // CRC mode it picks its own mode.
    connect(m_mCheckSum, &QAction::triggered, this,
            [this] { crcModel() ? fnCheck(ByteChecksum) : invertMode(); });
    connect(m_mCRC, &QAction::triggered, this, [this] { crcModel() ? fnCheck(CrcWord) : invertMode(); });
    static const char *const kCrcItemNames[] = {"mCrcModbus", "mCrcXmodem", "mCrcCcittFalse",
                                                "mCrc32", "mCrc8"};
    Q_ASSERT(std::size(kCrcItemNames) == size_t(CrcModels().size()));
    for (int i = 0; i < CrcModels().size(); ++i) {
        auto *item = new QAction(QString::fromLatin1(CrcModels()[i].name), parent);
        item->setObjectName(QString::fromLatin1(kCrcItemNames[i]));
        item->setCheckable(true);
        connect(item, &QAction::triggered, this, [this, i] { fnCheck(FirstCrcModel + i); });
        m_crcItems << item;
    }
    connect(&m_send, &SendPath::mouseReleased, this, &CheckCodes::CheckSendSelection);
    connect(&m_pane, &ReceivePane::mouseReleased, this, &CheckCodes::CheckReceiveSelection);
    // A check of a selection that goes away (the pane is emptied or
    // converted) ends with it.
    connect(&m_pane, &ReceivePane::aboutToRewrite, this, &CheckCodes::stopReceiveCheck);
    m_slices->setInterval(0);
    connect(m_slices, &QTimer::timeout, this, &CheckCodes::checkSlice);
    fnCheck(ByteChecksum);
}

void CheckCodes::fnCheck(int mode)
{
    const bool isCrcModel = mode >= FirstCrcModel && mode < FirstCrcModel + m_crcItems.size();
    m_mode = mode == ByteChecksum || isCrcModel ? mode : CrcWord;
    m_mCheckSum->setChecked(m_mode == ByteChecksum);
    m_mCRC->setChecked(m_mode == CrcWord);
    for (int i = 0; i < m_crcItems.size(); ++i)
        m_crcItems[i]->setChecked(m_mode == FirstCrcModel + i);
    m_cstext->setText(m_mode == ByteChecksum ? QStringLiteral("cs") : QStringLiteral("crc"));
}

const CrcModel *CheckCodes::crcModel() const
{
    return m_mode >= FirstCrcModel ? &CrcModels()[m_mode - FirstCrcModel] : nullptr;
}

QString CheckCodes::crcText(const QString &selection) const
{
    return SelectionCrc(selection, m_formats.sendFormat(), *crcModel())
        .value_or(QStringLiteral("非有效数据"));
}

void CheckCodes::invertMode()
{
    // Picking either item flips both marks, also when the picked item was
    // the checked one; the mode follows the marks.
    fnCheck(m_mode == ByteChecksum ? CrcWord : ByteChecksum);
}

void CheckCodes::ChecksumCommand()
{
    QString data = m_send.Text1()->selText();
    if (data.isEmpty())
        data = m_send.sendText();
    if (data.isEmpty()) {
        m_dialogs.message(QStringLiteral("请选择数据范围！！！"), QStringLiteral("提示！"),
                          MsgIcon::Exclamation);
        return;
    }
    const DataFormat format = m_formats.sendFormat();
    if (const CrcModel *model = crcModel()) {
        // The CRC goes after the data without the 0x16 trailer, which
        // belongs to the byte checksum; String text cannot carry its bytes.
        const auto crc = SelectionCrc(data, format, *model);
        if (!crc) {
            m_dialogs.message(QStringLiteral("发送数据错误！"), QStringLiteral("错误"), MsgIcon::Exclamation);
            return;
        }
        m_cstext->setText(*crc);
        if (m_send.assistant()->isChecked() && format != DataFormat::String)
            m_send.setSendText(TrimBlanks(data) + u' ' + *crc);
        return;
    }
    const QString cs = SelectionChecksum(data, format);
    m_cstext->setText(cs);
    if (m_send.assistant()->isChecked())
        m_send.setSendText(TrimBlanks(data) + u' ' + cs + ChecksumTrailer(format));
}

void CheckCodes::CheckSendSelection()
{
    const QString selection = m_send.Text1()->selText();
    if (selection.size() <= 2)
        return;
    if (crcModel())
        m_cstext->setText(crcText(selection));
    else
        m_cstext->setText(m_mode == ByteChecksum ? SelectionChecksum(selection, m_formats.sendFormat())
                                                 : QString());
}

// A long selection is read a slice at a time, the window answering in
// between; the box shows how far it got. Shown sends and time stamps are not
// received data.
void CheckCodes::CheckReceiveSelection()
{
    stopReceiveCheck();
    const qsizetype from = m_pane.selStart(), to = from + m_pane.selLength();
    if (to - from <= 2)
        return;
    auto run = std::make_unique<ReceiveCheck>(m_formats.sendFormat(), crcModel());
    run->shownBefore = m_cstext->text();
    run->stream = std::make_unique<PaneTextStream>(m_pane, from, to, PaneTextStream::Notes::Without,
                                                   [check = run.get()](QStringView data) {
                                                       check->dataChars += data.size();
                                                       check->check.feed(data);
                                                       return true;
                                                   });
    m_receiveCheck = std::move(run);
    if (to - from <= PaneTextStream::kPieceChars) {
        finishReceiveCheck();
    } else {
        m_cstext->setText(QStringLiteral("0%"));
        m_slices->start();
    }
}

void CheckCodes::checkSlice()
{
    QElapsedTimer slice;
    slice.start();
    PaneTextStream &stream = *m_receiveCheck->stream;
    while (slice.elapsed() < kSliceMs) {
        if (!stream.next())
            return finishReceiveCheck();
    }
    m_cstext->setText(QStringLiteral("%1%").arg(100 * stream.done() / stream.total()));
}

void CheckCodes::finishReceiveCheck()
{
    m_receiveCheck->stream->all();
    const auto run = std::move(m_receiveCheck);
    m_slices->stop();
    if (run->dataChars <= 2)
        m_cstext->setText(run->shownBefore);
    else
        m_cstext->setText(run->check.result().value_or(QStringLiteral("非有效数据")));
}

void CheckCodes::stopReceiveCheck()
{
    m_slices->stop();
    if (m_receiveCheck)
        m_cstext->setText(std::exchange(m_receiveCheck, nullptr)->shownBefore);
}
