// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/HistoryArchive.h"

#include <QDir>
#include <QStandardPaths>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>
// For the literal compression mode, which zstd still counts as experimental.
#define ZSTD_STATIC_LINKING_ONLY
#include <zstd.h>

namespace {

const QString kPrefix = QStringLiteral("kestrel-history-");
// Compresses data into packed (as large as ZSTD_compressBound asks) at
// zstd's fastest level, with its literals Huffman-coded all the same: the
// archive takes text as fast as a USB device brings it, and hex text, which
// has few repeats to find, still shrinks to less than half that way (level
// 1 compresses it no better at a third of the speed).
size_t compressFast(QByteArray &packed, const QByteArray &data)
{
    ZSTD_CCtx *context = ZSTD_createCCtx();
    if (!context)
        return size_t(-1);
    ZSTD_CCtx_setParameter(context, ZSTD_c_compressionLevel, -20);
    ZSTD_CCtx_setParameter(context, ZSTD_c_literalCompressionMode, ZSTD_ps_enable);
    const size_t size = ZSTD_compress2(context, packed.data(), size_t(packed.size()), data.constData(),
                                       size_t(data.size()));
    ZSTD_freeCCtx(context);
    return size;
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The process named in a file name "kestrel-history-<pid>-XXXXXX", or 0.
pid_t ownerOf(const QString &name)
{
    const QStringList parts = name.mid(kPrefix.size()).split(u'-');
    bool ok = false;
    const long pid = parts.value(0).toLong(&ok);
    return ok && pid > 0 ? pid_t(pid) : 0;
}

} // namespace

HistoryArchive::HistoryArchive(const QString &folder)
    : m_folder(folder.isEmpty() ? defaultFolder() : folder)
{
}

HistoryArchive::~HistoryArchive()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

QString HistoryArchive::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
}

int HistoryArchive::removeLeftovers(const QString &folder)
{
    int removed = 0;
    const QDir dir(folder);
    for (const QString &name : dir.entryList({kPrefix + QLatin1Char('*')}, QDir::Files)) {
        const pid_t owner = ownerOf(name);
        const bool gone = owner > 0 && ::kill(owner, 0) != 0 && errno == ESRCH;
        if (gone && QFile::remove(dir.filePath(name)))
            ++removed;
    }
    return removed;
}

// The file is opened at the first block, so an empty pane costs no file.
bool HistoryArchive::open()
{
    if (m_fd >= 0)
        return true;
    // A write past the file size limit then fails with EFBIG, as on a full
    // disk, instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    if (!QDir().mkpath(m_folder)) {
        m_error = QStringLiteral("无法建立缓存文件夹 %1").arg(m_folder);
        return false;
    }
    removeLeftovers(m_folder);
    QByteArray path = QDir(m_folder).filePath(kPrefix + QString::number(::getpid()) + QStringLiteral("-XXXXXX")).toLocal8Bit();
    m_fd = ::mkstemp(path.data());
    if (m_fd < 0) {
        m_error = QStringLiteral("无法建立缓存文件：%1").arg(systemError(errno));
        return false;
    }
    ::fcntl(m_fd, F_SETFD, FD_CLOEXEC);
    ::unlink(path.constData());
    return true;
}

std::optional<HistoryArchive::Block> HistoryArchive::write(const QByteArray &data)
{
    if (failed() || !open())
        return std::nullopt;
    Block block{m_end, data.size(), data.size(), false};
    QByteArray packed(qsizetype(ZSTD_compressBound(size_t(data.size()))), Qt::Uninitialized);
    const size_t size = compressFast(packed, data);
    // Compression pays when it saves a tenth or more.
    const bool pays = !ZSTD_isError(size) && qint64(size) < data.size() - data.size() / 10;
    const QByteArray &out = pays ? packed : data;
    block.compressed = pays;
    block.stored = pays ? qint64(size) : data.size();
    qint64 done = 0;
    while (done < block.stored) {
        const ssize_t n = ::pwrite(m_fd, out.constData() + done, size_t(block.stored - done), m_end + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : ENOSPC;
            m_error = QStringLiteral("缓存文件写不下（%1）").arg(systemError(error));
            // What was written of this block is given back.
            if (::ftruncate(m_fd, m_end) != 0)
                m_error += QStringLiteral("，且无法截短：%1").arg(systemError(errno));
            return std::nullopt;
        }
        done += n;
    }
    m_end += block.stored;
    return block;
}

QByteArray HistoryArchive::read(const Block &block) const
{
    QByteArray stored(block.stored, Qt::Uninitialized);
    qint64 done = 0;
    while (done < block.stored) {
        const ssize_t n = ::pread(m_fd, stored.data() + done, size_t(block.stored - done), block.offset + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return QByteArray();
        done += n;
    }
    if (!block.compressed)
        return stored;
    QByteArray data(block.size, Qt::Uninitialized);
    const size_t size = ZSTD_decompress(data.data(), size_t(data.size()), stored.constData(), size_t(stored.size()));
    return ZSTD_isError(size) || qint64(size) != block.size ? QByteArray() : data;
}

// A full disk stopped the archive; once emptied it takes blocks again.
void HistoryArchive::clear()
{
    m_error.clear();
    if (m_fd >= 0 && ::ftruncate(m_fd, 0) != 0)
        m_error = QStringLiteral("无法清空缓存文件：%1").arg(systemError(errno));
    m_end = 0;
}
