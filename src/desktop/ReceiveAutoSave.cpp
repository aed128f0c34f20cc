// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/ReceiveAutoSave.h"

#include "core/AppFiles.h"
#include "core/Dialogs.h"
#include "core/Scheduler.h"
#include "core/TextCodec.h"
#include "core/Widgets.h"
#include "terminal/PaneTextStream.h"
#include "terminal/StatusBar.h"
#include "terminal/TextPane.h"

#include <QAction>
#include <QCheckBox>
#include <QDateTime>
#include <QTimer>

#include <algorithm>

namespace {

QString ChunkHeader(const QDateTime &moment)
{
    return QStringLiteral("\r\n") + QString(19, u'=') + DateTimeText(moment) + QString(18, u'=')
        + QStringLiteral("\r\n");
}

} // namespace

ReceiveAutoSave::ReceiveAutoSave(const Services &services, QObject *parent) : QObject(parent), m_s(services)
{
    m_recSave = Named(new QAction(this), "RecSave");
    m_recSave->setCheckable(true);
    // The item's tick is the switch: a click only asks; the answer sets it.
    connect(m_recSave, &QAction::triggered, this, [this] {
        m_recSave->setChecked(!m_recSave->isChecked());
        SwitchAutoSave();
    });
    connect(&m_s.pane, &TextPane::changed, this, &ReceiveAutoSave::paneChanged);
    m_retry = m_s.scheduler.createTimer(this, QStringLiteral("autoSaveRetry"));
    connect(m_retry, &Timer::timeout, this, [this] {
        m_retry->stop();
        if (m_recSave->isChecked() && m_s.pane.length() > m_limit)
            saveChunk();
        else
            m_retryMs = kFirstRetryMs; // nothing left to save
    });
}

QString ReceiveAutoSave::dayFile()
{
    return DayFilePath(QStringLiteral("自动存储"));
}

void ReceiveAutoSave::SwitchAutoSave()
{
    if (!m_recSave->isChecked() && !askLimit())
        return;
    m_recSave->setChecked(!m_recSave->isChecked());
}

bool ReceiveAutoSave::askLimit()
{
    const auto limit = AskNumberInRange(
        m_s.dialogs, {QStringLiteral("请输入单个存储文件的字节数\n\n  注：单个文件不得超过 32760 字节！"),
                      QStringLiteral("接收内容自动保存设置"), m_limit, 0, kLargestLimit,
                      QStringLiteral("字节数应在 0 到 32760 之间！"), true});
    if (limit)
        m_limit = *limit;
    return limit.has_value();
}

void ReceiveAutoSave::paneChanged()
{
    if (m_saving)
        return;
    if (m_recSave->isChecked() && !m_retry->isActive() && m_s.pane.length() > m_limit)
        saveChunk();
    // A read-only pane shows its newest data.
    const qsizetype end = m_s.pane.length();
    if (m_s.readOnly.isChecked() && (m_s.pane.selStart() != end || m_s.pane.selLength() != 0))
        m_s.pane.setSelStart(end);
}

void ReceiveAutoSave::saveChunk()
{
    const QString path = dayFile();
    QString error;
    qsizetype replaced = 0;
    const QString header = ChunkHeader(QDateTime::currentDateTime());
    const auto chunk = [this, &header](const TextWriter &write) {
        return write(header)
               && PaneTextStream::wholePane(m_s.pane, write);
    };
    if (AppendGbk(path, chunk, &error, &replaced)) {
        m_retryMs = kFirstRetryMs;
        if (replaced > 0)
            m_s.status.setMessage(QStringLiteral("接收区已自动保存到 %1").arg(path) + ReplacedCharactersText(replaced));
        m_saving = true;
        m_s.pane.setText(QString());
        m_saving = false;
        return;
    }
    retryLater(QStringLiteral("接收自动保存失败：%1 无法写入（%2），接收区内容保留").arg(path, error));
}

void ReceiveAutoSave::retryLater(const QString &why)
{
    m_retry->setInterval(m_retryMs);
    m_retry->start();
    m_retryMs = std::min(2 * m_retryMs, kLongestRetryMs);
    m_s.status.setMessage(why);
    if (why == m_failureSaid)
        return;
    m_failureSaid = why;
    // Said after the drain that appended the data has finished, not inside it.
    QTimer::singleShot(0, this, [this, why] {
        m_s.dialogs.message(why, QStringLiteral("警告"), MsgIcon::Exclamation);
    });
}
