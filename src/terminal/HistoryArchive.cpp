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

// Compresses blocks at zstd's fastest level, with their literals
// Huffman-coded all the same: the archive takes text as fast as a USB
// device brings it, and hex text, which has few repeats to find, still
// shrinks to less than half that way (level 1 compresses it no better at a
// third of the speed). One context serves every block of the writer.
class Compressor
{
public:
    Compressor() : m_context(ZSTD_createCCtx())
    {
        if (!m_context)
            return;
        ZSTD_CCtx_setParameter(m_context, ZSTD_c_compressionLevel, -20);
        ZSTD_CCtx_setParameter(m_context, ZSTD_c_literalCompressionMode, ZSTD_ps_enable);
    }
    ~Compressor() { ZSTD_freeCCtx(m_context); }
    Compressor(const Compressor &) = delete;
    Compressor &operator=(const Compressor &) = delete;

    // `data` compressed, or nothing when that saves less than a tenth.
    QByteArray compress(const QByteArray &data)
    {
        if (!m_context)
            return QByteArray();
        QByteArray packed(qsizetype(ZSTD_compressBound(size_t(data.size()))), Qt::Uninitialized);
        const size_t size = ZSTD_compress2(m_context, packed.data(), size_t(packed.size()), data.constData(),
                                           size_t(data.size()));
        if (ZSTD_isError(size) || qint64(size) >= data.size() - data.size() / 10)
            return QByteArray();
        packed.truncate(qsizetype(size));
        return packed;
    }

private:
    ZSTD_CCtx *m_context;
};

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
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_work.notify_all();
    if (m_writer.joinable())
        m_writer.join();
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

// The file and the writer start at the first block, so an empty pane costs
// neither. Called with m_mutex held.
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
    m_writer = std::thread([this] { writeAll(); });
    return true;
}

std::optional<HistoryArchive::Block> HistoryArchive::write(QByteArray data)
{
    std::unique_lock lock(m_mutex);
    m_done.wait(lock, [this] { return !m_error.isEmpty() || m_next - m_written < kMostPending; });
    if (!m_error.isEmpty() || !open())
        return std::nullopt;
    m_slots.push_back(Slot{std::move(data)});
    m_work.notify_one();
    return m_next++;
}

// The writer: compresses each block outside the lock, then writes it at the
// end of the file unless the archive was cleared meanwhile. After a failure
// it waits for clear() or the end.
void HistoryArchive::writeAll()
{
    Compressor compressor;
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_work.wait(lock, [this] { return m_stop || (m_error.isEmpty() && m_written < m_next); });
        if (m_stop)
            return;
        const Block block = m_written;
        const QByteArray data = m_slots[size_t(block - m_first)].pending;
        lock.unlock();
        const QByteArray packed = compressor.compress(data);
        const QByteArray &out = packed.isEmpty() ? data : packed;
        const std::lock_guard file(m_fileMutex);
        lock.lock();
        if (m_stop || block < m_first)
            continue; // ending, or cleared while it was compressed
        const qint64 offset = m_end;
        lock.unlock();
        const QString problem = writeAt(out, offset);
        lock.lock();
        if (!problem.isEmpty()) {
            m_error = problem;
        } else {
            m_slots[size_t(block - m_first)] = Slot{QByteArray(), true, !packed.isEmpty(), offset, out.size(), data.size()};
            m_end += out.size();
            ++m_written;
        }
        m_done.notify_all();
    }
}

// Writes `bytes` at `offset`; on failure gives back what was written of
// them and says why.
QString HistoryArchive::writeAt(const QByteArray &bytes, qint64 offset)
{
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(m_fd, bytes.constData() + done, size_t(bytes.size() - done), offset + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : ENOSPC;
            QString problem = QStringLiteral("缓存文件写不下（%1）").arg(systemError(error));
            if (::ftruncate(m_fd, offset) != 0)
                problem += QStringLiteral("，且无法截短：%1").arg(systemError(errno));
            return problem;
        }
        done += n;
    }
    return QString();
}

QByteArray HistoryArchive::read(Block block) const
{
    Slot slot;
    {
        const std::lock_guard lock(m_mutex);
        if (block < m_first || block >= m_next)
            return QByteArray();
        slot = m_slots[size_t(block - m_first)];
    }
    if (!slot.written)
        return slot.pending;
    QByteArray stored(slot.stored, Qt::Uninitialized);
    qint64 done = 0;
    while (done < slot.stored) {
        const ssize_t n = ::pread(m_fd, stored.data() + done, size_t(slot.stored - done), slot.offset + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return QByteArray();
        done += n;
    }
    {
        // Cleared while it was read: the bytes may be another block's.
        const std::lock_guard lock(m_mutex);
        if (block < m_first)
            return QByteArray();
    }
    if (!slot.compressed)
        return stored;
    QByteArray data(slot.size, Qt::Uninitialized);
    const size_t size = ZSTD_decompress(data.data(), size_t(data.size()), stored.constData(), size_t(stored.size()));
    return ZSTD_isError(size) || qint64(size) != slot.size ? QByteArray() : data;
}

void HistoryArchive::flush() const
{
    std::unique_lock lock(m_mutex);
    m_done.wait(lock, [this] { return !m_error.isEmpty() || m_written == m_next; });
}

// Waits for no more than a write under way. A full disk stopped the
// archive; once emptied it takes blocks again.
void HistoryArchive::clear()
{
    const std::lock_guard file(m_fileMutex);
    {
        const std::lock_guard lock(m_mutex);
        m_slots.clear();
        m_first = m_written = m_next;
        m_end = 0;
        m_error.clear();
    }
    m_done.notify_all();
    if (m_fd >= 0 && ::ftruncate(m_fd, 0) != 0) {
        const std::lock_guard lock(m_mutex);
        m_error = QStringLiteral("无法清空缓存文件：%1").arg(systemError(errno));
    }
}

bool HistoryArchive::failed() const
{
    const std::lock_guard lock(m_mutex);
    return !m_error.isEmpty();
}

QString HistoryArchive::error() const
{
    const std::lock_guard lock(m_mutex);
    return m_error;
}

qint64 HistoryArchive::fileSize() const
{
    const std::lock_guard lock(m_mutex);
    return m_end;
}
