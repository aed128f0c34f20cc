// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/CheckCodes.h"

#include "core/Crc.h"
#include "core/DataFormats.h"
#include "core/Dialogs.h"
#include "terminal/FormatSwitch.h"
#include "terminal/ReceivePane.h"
#include "terminal/SendPath.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>

CheckCodes::CheckCodes(Dialogs &dialogs, FormatSwitch &formats, SendPath &send, ReceivePane &pane,
                       QWidget *parent)
    : QObject(parent),
      m_dialogs(dialogs),
      m_formats(formats),
      m_send(send),
      m_pane(pane),
      m_cstext(new QLineEdit(parent)),
      m_mCheckSum(new QAction(QStringLiteral("校验和(字节)"), parent)),
      m_mCRC(new QAction(QStringLiteral("CRC校验(字)"), parent))
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

void CheckCodes::CheckReceiveSelection()
{
    // Shown sends and time stamps are not received data.
    const QString selection = m_pane.selData();
    if (selection.size() <= 2)
        return;
    m_cstext->setText(crcModel() ? crcText(selection)
                                 : SelectionChecksum(selection, m_formats.sendFormat()));
}
