// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Finds every match of a query in a pane's whole history, on a thread of
// its own over a snapshot of it, so the window answers while gigabytes are
// searched; it tells its progress and can be cancelled.
//
// A query is text (letters compared with or without regard to case; notes
// are searched too, as they are shown) or, in the byte formats, a byte
// pattern such as "55 AA": the bytes are found wherever they stand, across
// display lines and line breaks, with the notes among them left out.

#include "terminal/PaneHistory.h"

#include <QObject>
#include <atomic>
#include <thread>

class PaneFinder : public QObject
{
    Q_OBJECT
public:
    struct Query
    {
        QString text;
        Qt::CaseSensitivity cs = Qt::CaseInsensitive;
        // 0: text; 16, 10 or 8: a byte pattern, bytes written in that base.
        int byteBase = 0;
    };
    struct Match
    {
        qsizetype from = 0;
        qsizetype to = 0;
    };
    // The matches kept for next and previous; more are counted.
    static constexpr size_t kMostKept = 1'000'000;

    using QObject::QObject;
    ~PaneFinder() override;

    // The bytes of a byte pattern; empty when it is not one (a word that is
    // not a byte in that base).
    static QByteArray bytesOf(const QString &pattern, int base);

    // Starts a search, ending one that runs. False, with nothing started,
    // when the query is empty or not a byte pattern.
    bool start(const PaneHistory &history, const Query &query);
    // Ends a running search; its results are not given.
    void cancel();
    bool isRunning() const { return m_worker.joinable(); }

    // The matches of the last search that finished, in order.
    const std::vector<Match> &matches() const { return m_matches; }
    qsizetype count() const { return m_count; }

signals:
    void progress(int percent);
    void finished();

private:
    void finish(quint64 generation, std::vector<Match> matches, qsizetype count);

    std::thread m_worker;
    std::atomic<bool> m_cancel = false;
    quint64 m_generation = 0;
    std::vector<Match> m_matches;
    qsizetype m_count = 0;
};
