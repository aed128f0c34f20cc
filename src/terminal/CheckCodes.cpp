#include "terminal/CheckCodes.h"

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
    connect(m_mCheckSum, &QAction::triggered, this, &CheckCodes::invertMode);
    connect(m_mCRC, &QAction::triggered, this, &CheckCodes::invertMode);
    connect(&m_send, &SendPath::mouseReleased, this, &CheckCodes::CheckSendSelection);
    connect(&m_pane, &ReceivePane::mouseReleased, this, &CheckCodes::CheckReceiveSelection);
    fnCheck(ByteChecksum);
}

void CheckCodes::fnCheck(int mode)
{
    m_mode = mode == ByteChecksum ? ByteChecksum : CrcWord;
    m_mCheckSum->setChecked(m_mode == ByteChecksum);
    m_mCRC->setChecked(m_mode == CrcWord);
    m_cstext->setText(m_mode == ByteChecksum ? QStringLiteral("cs") : QStringLiteral("crc"));
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
    m_cstext->setText(m_mode == ByteChecksum ? SelectionChecksum(selection, m_formats.sendFormat())
                                             : QString());
}

void CheckCodes::CheckReceiveSelection()
{
    const QString selection = m_pane.selText();
    if (selection.size() <= 2)
        return;
    m_cstext->setText(SelectionChecksum(selection, m_formats.sendFormat()));
}
