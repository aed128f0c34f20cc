#include "desktop/DataFiles.h"

#include "core/DataFormats.h"
#include "core/Dialogs.h"
#include "core/Scheduler.h"
#include "core/TextCodec.h"
#include "core/Widgets.h"
#include "terminal/FormatSwitch.h"
#include "terminal/SendPath.h"
#include "terminal/StatusBar.h"
#include "terminal/TextPane.h"

#include <QAction>
#include <QFile>
#include <QSaveFile>

namespace {

// Splits text that arrives in pieces into lines ending at CR LF, CR or LF.
// Each character is looked at once, however long a line runs across pieces.
class LineSplitter
{
public:
    // Hands every line completed by `more` to `line`, without its end.
    template <typename Sink>
    void feed(const QString &more, Sink &&line)
    {
        m_pending += more;
        qsizetype start = 0;
        qsizetype i = m_scanned;
        for (; i < m_pending.size(); ++i) {
            const QChar c = m_pending[i];
            if (c != u'\r' && c != u'\n')
                continue;
            // A CR at the end of a piece may be followed by its LF in the next.
            if (c == u'\r' && i + 1 == m_pending.size())
                break;
            line(QStringView(m_pending).mid(start, i - start));
            if (c == u'\r' && m_pending[i + 1] == u'\n')
                ++i;
            start = i + 1;
        }
        m_pending.remove(0, start);
        m_scanned = i - start; // a CR waiting for its LF is looked at again
    }
    template <typename Sink>
    void finish(Sink &&line)
    {
        if (m_pending.endsWith(u'\r'))
            m_pending.chop(1);
        else if (m_pending.isEmpty())
            return;
        line(QStringView(m_pending));
        m_pending.clear();
        m_scanned = 0;
    }

private:
    QString m_pending;       // the line begun and not yet ended
    qsizetype m_scanned = 0; // how much of it holds no line end
};

QStringView WithoutTrailingBlanks(QStringView line)
{
    while (!line.isEmpty() && line.back() == u' ')
        line.chop(1);
    return line;
}

} // namespace

DataFiles::DataFiles(const Services &services, QObject *parent) : QObject(parent), m_s(services)
{
    m_da = Named(new QAction(this), "da");
    m_chufa = Named(new QAction(this), "chufa");
    m_cuns1 = Named(new QAction(this), "cuns1");
    connect(m_da, &QAction::triggered, this, &DataFiles::OpenIntoSendBox);
    connect(m_chufa, &QAction::triggered, this, [this] { SaveTextFile(QString(), m_s.send.sendText()); });
    connect(m_cuns1, &QAction::triggered, this, [this] { SaveTextFile(QString(), m_s.receivePane.text()); });
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

void DataFiles::SaveTextFile(QString path, const QString &text)
{
    if (path.isEmpty())
        path = askFile(true);
    if (path.isEmpty())
        return;
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    const QByteArray bytes = EncodeGbk(WithLineBreaks(TrimBlanks(text), LineEnding::CrLf) + QStringLiteral("\r\n"));
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return;
    m_s.dialogs.message(QStringLiteral("文件 %1 无法写入：%2").arg(path, file.errorString()),
                        QStringLiteral("错误"), MsgIcon::Critical);
}

std::optional<QString> DataFiles::LoadTextFile(QString path)
{
    if (path.isEmpty())
        path = askFile(false);
    if (path.isEmpty())
        return std::nullopt;
    const bool hex = m_s.formats.sendFormat() == DataFormat::Hex;
    QString collected;
    const auto take = [&collected, hex](QStringView line) {
        if (hex) {
            collected += WithoutTrailingBlanks(line);
            collected += u' ';
        } else {
            collected += line;
            collected += QStringLiteral("\r\n");
        }
    };
    QFile file(path);
    bool failed = !file.open(QIODevice::ReadOnly);
    bool undecodable = false;
    LineSplitter lines;
    const auto split = [&lines, &take, &undecodable](const QString &text) {
        undecodable = undecodable || text.contains(QChar::ReplacementCharacter);
        lines.feed(text, take);
    };
    QByteArray held; // the lead byte of a character split between pieces
    while (!failed && !file.atEnd()) {
        const QByteArray piece = file.read(kLoadPiece);
        if (piece.isEmpty()) {
            failed = true; // a read error: atEnd() was false
            break;
        }
        split(DecodeGbkPiece(piece, held));
        // Other events run while a long file loads; closing the program ends it.
        m_s.scheduler.processEvents();
        if (m_s.scheduler.isShuttingDown())
            return std::nullopt;
    }
    split(DecodeGbk(held)); // a lead byte that ends the file: shown, not dropped
    lines.finish(take);
    if (failed || file.error() != QFileDevice::NoError) {
        m_s.dialogs.message(QStringLiteral("初始文件被改动或已丢失!"), QStringLiteral("警告"), MsgIcon::Exclamation);
        return std::nullopt;
    }
    if (undecodable)
        m_s.status.setMessage(QStringLiteral("文件含有不是GBK的字节，显示为 \uFFFD"));
    return TrimBlanks(collected);
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
