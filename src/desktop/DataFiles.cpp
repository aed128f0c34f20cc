// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/DataFiles.h"

#include "core/AppFiles.h"
#include "core/DataFormats.h"
#include "core/Dialogs.h"
#include "core/Scheduler.h"
#include "core/TextCodec.h"
#include "core/Widgets.h"
#include "terminal/FormatSwitch.h"
#include "terminal/PaneTextStream.h"
#include "terminal/SendPath.h"
#include "terminal/StatusBar.h"
#include "terminal/TextPane.h"

#include <QAction>
#include <QFile>
#include <QLocale>
#include <QSaveFile>

#include <algorithm>

namespace {

// Joins the lines of a text that arrives in pieces as the send box takes
// them: in Hex each line without its trailing blanks and followed by one
// blank, otherwise each line followed by CR LF. A line ends at CR LF, CR or
// LF. Text goes into the result as it arrives, so each character is looked
// at once and copied once, however many pieces a line runs across.
class LineJoiner
{
public:
    LineJoiner(bool hex, qsizetype expectedLength) : m_hex(hex) { m_joined.reserve(expectedLength); }

    void feed(QStringView text)
    {
        if (text.isEmpty())
            return;
        qsizetype start = m_afterCr && text.front() == u'\n' ? 1 : 0;
        for (qsizetype i = start; i < text.size(); ++i) {
            const QChar c = text[i];
            if (c != u'\r' && c != u'\n')
                continue;
            m_joined += text.sliced(start, i - start);
            endLine();
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            start = i + 1;
        }
        m_joined += text.sliced(start);
        m_afterCr = text.back() == u'\r';
    }

    // The joined text, blanks at its ends removed.
    QString finish()
    {
        if (m_joined.size() > m_lineStart)
            endLine(); // the last line, without a line end
        return TrimBlanks(std::move(m_joined));
    }

private:
    void endLine()
    {
        if (m_hex) {
            qsizetype end = m_joined.size();
            while (end > m_lineStart && m_joined.at(end - 1) == u' ')
                --end;
            m_joined.truncate(end);
            m_joined += u' ';
        } else {
            m_joined += QStringLiteral("\r\n");
        }
        m_lineStart = m_joined.size();
    }

    const bool m_hex;
    QString m_joined;
    qsizetype m_lineStart = 0; // where the line being read begins in m_joined
    bool m_afterCr = false;    // the last piece ended with a CR, whose LF may start the next
};

// The range of a box without the blanks at its ends.
std::pair<qsizetype, qsizetype> WithoutEndBlanks(const PaneHistory &text, qsizetype from, qsizetype to)
{
    while (from < to && text.at(from) == u' ')
        ++from;
    while (to > from && text.at(to - 1) == u' ')
        --to;
    return {from, to};
}

// Writes the stream's pieces with the window's events in between. False
// when a write failed or the program is closing.
bool WriteInPieces(PaneTextStream &text, Scheduler &scheduler)
{
    while (text.next()) {
        // The window keeps working while a long text is saved; closing the
        // program ends the save.
        scheduler.processEvents();
        if (scheduler.isShuttingDown())
            return false;
    }
    return !text.failed();
}

} // namespace

DataFiles::DataFiles(const Services &services, QObject *parent) : QObject(parent), m_s(services)
{
    m_da = Named(new QAction(this), "da");
    m_chufa = Named(new QAction(this), "chufa");
    m_cuns1 = Named(new QAction(this), "cuns1");
    connect(m_da, &QAction::triggered, this, &DataFiles::OpenIntoSendBox);
    connect(m_chufa, &QAction::triggered, this, [this] { SaveTextFile(QString(), *m_s.send.Text1()); });
    connect(m_cuns1, &QAction::triggered, this, [this] { SaveTextFile(QString(), m_s.receivePane); });
    for (TextPane *box : {static_cast<TextPane *>(m_s.send.Text1()), &m_s.receivePane})
        connect(box, &TextPane::copyTooLarge, this, [this, box] { offerToSaveSelection(*box); });
}

QString DataFiles::askFile(bool saving)
{
    const QString filter = QString::fromLatin1(kFilter);
    const QString picked = saving ? m_s.dialogs.saveFileName(QStringLiteral("保存"), filter, m_lastFile)
                                  : m_s.dialogs.openFileName(QStringLiteral("打开"), filter, m_lastFile);
    if (!picked.isEmpty())
        m_lastFile = picked;
    return picked;
}

void DataFiles::CheckEncoder()
{
    if (GbkEncoder().isValid())
        return;
    const QString consequence = QStringLiteral("：发送区、接收区和记录都无法存入文件，字符格式也无法发送文字。");
    m_s.dialogs.message(GbkMissingText() + consequence, QStringLiteral("警告"), MsgIcon::Exclamation);
}

void DataFiles::SaveTextFile(QString path, const TextPane &box)
{
    saveRange(std::move(path), box, 0, box.length());
}

void DataFiles::offerToSaveSelection(const TextPane &box)
{
    const qsizetype from = box.selStart(), to = from + box.selLength();
    const QString question = QStringLiteral("选中的内容有 %1 个字符，太多，不能复制到剪贴板。\r\n存入文件吗？")
                                 .arg(QLocale().toString(to - from));
    if (m_s.dialogs.message(question, QStringLiteral("复制"), MsgIcon::Question, MsgButtons::YesNo) == MsgAnswer::Yes)
        saveRange(QString(), box, from, to);
}

void DataFiles::saveRange(QString path, const TextPane &box, qsizetype from, qsizetype to)
{
    // The text of the moment of the click, whatever the box gets while the
    // file dialog is open or the save runs. A box rewritten (emptied,
    // converted) while the dialog is open no longer holds that text.
    const auto [start, end] = WithoutEndBlanks(box.history(), from, to);
    bool rewritten = false;
    const QMetaObject::Connection watch =
        connect(&box, &TextPane::aboutToRewrite, this, [&rewritten] { rewritten = true; });
    if (path.isEmpty())
        path = askFile(true);
    disconnect(watch);
    if (path.isEmpty())
        return;
    if (rewritten) {
        m_s.dialogs.message(QStringLiteral("选择文件时内容已被清除或改写，没有保存，请重新保存"), QStringLiteral("提示"),
                            MsgIcon::Exclamation);
        return;
    }
    // Written into a new file beside it that takes the name only when whole:
    // until then, and when the save fails or the program closes meanwhile,
    // the file of that name stays as it was.
    QSaveFile file(path);
    GbkEncoder encoder;
    PaneTextStream text(box, start, end, PaneTextStream::Notes::With, [&file, &encoder](QStringView piece) {
        return WriteWhole(file, encoder.encode(WithLineBreaks(piece, LineEnding::CrLf)));
    });
    QString error = GbkMissingText();
    if (encoder.isValid()) {
        setSaving(true);
        m_s.status.setMessage(QStringLiteral("正在保存到 %1 ...").arg(path));
        const bool written = file.open(QIODevice::WriteOnly) && WriteInPieces(text, m_s.scheduler)
                             && WriteWhole(file, "\r\n");
        setSaving(false);
        if (m_s.scheduler.isShuttingDown())
            return;
        if (written && file.commit()) {
            const qsizetype replaced = encoder.replaced();
            m_s.status.setMessage(QStringLiteral("已保存到 %1").arg(path)
                                  + (replaced > 0 ? ReplacedCharactersText(replaced) : QString()));
            return;
        }
        error = file.errorString();
        m_s.status.setMessage(QStringLiteral("文件 %1 未能保存").arg(path));
    }
    m_s.dialogs.message(QStringLiteral("文件 %1 无法写入：%2").arg(path, error), QStringLiteral("错误"),
                        MsgIcon::Critical);
}

void DataFiles::setSaving(bool saving)
{
    m_chufa->setEnabled(!saving);
    m_cuns1->setEnabled(!saving);
}

std::optional<QString> DataFiles::LoadTextFile(QString path)
{
    if (path.isEmpty())
        path = askFile(false);
    if (path.isEmpty())
        return std::nullopt;
    QFile file(path);
    bool failed = !file.open(QIODevice::ReadOnly);
    bool undecodable = false;
    // A GBK file has no more characters than bytes; only line ends of one
    // byte grow, to CR LF.
    LineJoiner lines(m_s.formats.sendFormat() == DataFormat::Hex, file.size());
    const auto join = [&lines, &undecodable](const QString &text) {
        undecodable = undecodable || text.contains(QChar::ReplacementCharacter);
        lines.feed(text);
    };
    QByteArray held; // the lead byte of a character split between pieces
    while (!failed && !file.atEnd()) {
        const QByteArray piece = file.read(kLoadPiece);
        if (piece.isEmpty()) {
            failed = true; // a read error: atEnd() was false
            break;
        }
        join(DecodeGbkPiece(piece, held));
        // Other events run while a long file loads; closing the program ends it.
        m_s.scheduler.processEvents();
        if (m_s.scheduler.isShuttingDown())
            return std::nullopt;
    }
    join(DecodeGbk(held)); // a lead byte that ends the file: shown, not dropped
    if (failed || file.error() != QFileDevice::NoError) {
        m_s.dialogs.message(QStringLiteral("初始文件被改动或已丢失!"), QStringLiteral("警告"), MsgIcon::Exclamation);
        return std::nullopt;
    }
    if (undecodable)
        m_s.status.setMessage(QStringLiteral("文件含有不是GBK的字节，显示为 \uFFFD"));
    return lines.finish();
}

void DataFiles::OpenIntoSendBox()
{
    // A second load while one runs would interleave two files.
    if (m_loading)
        return;
    m_loading = true;
    const std::optional<QString> text = LoadTextFile(QString());
    m_loading = false;
    if (text)
        m_s.send.setSendText(*text);
}
