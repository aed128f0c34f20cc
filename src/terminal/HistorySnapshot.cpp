// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a snapshot of a pane's history from start to end, as a search does.
#include "terminal/PaneHistory.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

namespace {

// Reads and unpacks the archived blocks in order on a thread of its own,
// a few blocks ahead of the one who takes them: a search then costs about
// the larger of unpacking and searching, not their sum.
class ReadAhead
{
public:
    ReadAhead(const HistoryArchive &archive, const std::vector<PaneHistory::Entry> &entries)
        : m_thread([this, &archive, &entries] { run(archive, entries); })
    {
    }
    ~ReadAhead()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }

    // The next block's bytes (empty when it could not be read); nothing
    // after the last.
    std::optional<QByteArray> next()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_ready.empty() || m_done; });
        if (m_ready.empty())
            return std::nullopt;
        QByteArray bytes = std::move(m_ready.front());
        m_ready.pop_front();
        lock.unlock();
        m_changed.notify_all();
        return bytes;
    }

private:
    static constexpr size_t kAhead = 3;

    void run(const HistoryArchive &archive, const std::vector<PaneHistory::Entry> &entries)
    {
        for (const PaneHistory::Entry &entry : entries) {
            QByteArray bytes = archive.read(entry.block);
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_ready.size() < kAhead || m_stop; });
            if (m_stop)
                return;
            m_ready.push_back(std::move(bytes));
            lock.unlock();
            m_changed.notify_all();
        }
        const std::lock_guard lock(m_mutex);
        m_done = true;
        m_changed.notify_all();
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<QByteArray> m_ready;
    bool m_stop = false;
    bool m_done = false;
    std::thread m_thread; // last: it starts once the rest is there
};

} // namespace

// A block that cannot be read back (the history was emptied meanwhile) ends
// the pieces.
void PaneHistory::Snapshot::pieces(const Piece &piece) const
{
    if (!m_entries.empty()) {
        ReadAhead blocks(*m_archive, m_entries);
        for (const Entry &entry : m_entries) {
            const std::optional<QByteArray> bytes = blocks.next();
            HistoryBlock::Searched block;
            if (!bytes || !HistoryBlock::readForSearch(*bytes, entry.from, block)
                || std::visit([](auto text) { return text.size(); }, block.text) != entry.to - entry.from
                || !piece(block.text, entry.from, block.notes))
                return;
        }
    }
    piece(QStringView(m_resident), m_base, m_notes);
}
