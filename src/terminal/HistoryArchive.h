// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The file a pane's old text goes to once it leaves memory: blocks of bytes
// written one after another, each compressed with zstd when that makes it
// smaller, read back by their place. The file lives in the user's cache
// folder and is unlinked as soon as it is open, so it never outlives the
// program; a file that a crash left there before it could be unlinked is
// removed by the next start (removeLeftovers).
//
// A write that fails (a full disk, a file size limit) leaves the archive
// failed: it says why, takes no more blocks, and what it holds stays
// readable. Reading is safe from any thread while the owner writes, as long
// as the blocks read were written before.

#include <QByteArray>
#include <QString>
#include <optional>

class HistoryArchive
{
public:
    // Where a block lies in the file.
    struct Block
    {
        qint64 offset = 0;
        qint64 stored = 0; // bytes in the file
        qint64 size = 0;   // bytes once read back
        bool compressed = false;
    };

    // The archive's file goes into `folder` (made when missing); empty means
    // the user's cache folder.
    explicit HistoryArchive(const QString &folder = QString());
    ~HistoryArchive();
    HistoryArchive(const HistoryArchive &) = delete;
    HistoryArchive &operator=(const HistoryArchive &) = delete;

    // Stores a block; nothing when the archive failed or fails now.
    std::optional<Block> write(const QByteArray &data);
    // A block written before, as it was given.
    QByteArray read(const Block &block) const;
    // Forgets every block and gives the disk space back.
    void clear();

    bool failed() const { return !m_error.isEmpty(); }
    QString error() const { return m_error; }
    qint64 fileSize() const { return m_end; }

    // The user's cache folder.
    static QString defaultFolder();
    // Removes the archive files in `folder` whose process is gone; returns
    // how many.
    static int removeLeftovers(const QString &folder);

private:
    bool open();

    QString m_folder;
    int m_fd = -1;
    qint64 m_end = 0;
    QString m_error;
};
