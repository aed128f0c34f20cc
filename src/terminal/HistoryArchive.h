// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The file a pane's old text goes to once it leaves memory: blocks of bytes
// written one after another, each compressed with zstd when that makes it
// smaller, read back by their number. The file lives in the user's cache
// folder and is unlinked as soon as it is open, so it never outlives the
// program; a file that a crash left there before it could be unlinked is
// removed by the next start (removeLeftovers).
//
// A thread of the archive's own compresses and writes the blocks, in the
// order given, so that the thread that gives them goes on at once. Until a
// block is written its bytes are kept in memory and read from there; at
// most kMostPending blocks wait, beyond that write() waits for the writer.
//
// A write that fails (a full disk, a file size limit) leaves the archive
// failed: it says why, takes no more blocks, and what it holds, written or
// not, stays readable until clear(). Reading is safe from any thread.

#include <QByteArray>
#include <QString>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class HistoryArchive
{
public:
    // A block's number. Numbers are never given twice, so a block given
    // before a clear() reads back as nothing after it, never as another.
    using Block = qint64;
    // Blocks given and not written yet, at most: about 4 MB of text.
    static constexpr qint64 kMostPending = 8;

    // The archive's file goes into `folder` (made when missing); empty means
    // the user's cache folder.
    explicit HistoryArchive(const QString &folder = QString());
    ~HistoryArchive();
    HistoryArchive(const HistoryArchive &) = delete;
    HistoryArchive &operator=(const HistoryArchive &) = delete;

    // Takes a block to store; nothing when the archive failed or its file
    // cannot be made.
    std::optional<Block> write(QByteArray data);
    // A block given before, as it was given; empty once cleared.
    QByteArray read(Block block) const;
    // Waits until every block given is written or the archive failed.
    void flush() const;
    // Forgets every block, written or not, and gives the disk space back.
    void clear();

    bool failed() const;
    QString error() const;
    qint64 fileSize() const;

    // The user's cache folder.
    static QString defaultFolder();
    // Removes the archive files in `folder` whose process is gone; returns
    // how many.
    static int removeLeftovers(const QString &folder);

private:
    // A block: its bytes until it is written, then where it lies in the file.
    struct Slot
    {
        QByteArray pending;
        bool written = false;
        bool compressed = false;
        qint64 offset = 0;
        qint64 stored = 0; // bytes in the file
        qint64 size = 0;   // bytes once read back
    };

    bool open();
    void writeAll();
    QString writeAt(const QByteArray &bytes, qint64 offset);

    QString m_folder;
    int m_fd = -1;
    std::thread m_writer;
    // The file's writes and its truncation, one at a time; taken before m_mutex.
    std::mutex m_fileMutex;
    // Everything below.
    mutable std::mutex m_mutex;
    std::condition_variable m_work;         // a block to write, or the end
    mutable std::condition_variable m_done; // a block written, or a failure
    std::vector<Slot> m_slots;              // blocks m_first and on
    Block m_first = 0;
    Block m_written = 0; // the next block to write
    Block m_next = 0;    // the next block given
    qint64 m_end = 0;
    QString m_error;
    bool m_stop = false;
};
