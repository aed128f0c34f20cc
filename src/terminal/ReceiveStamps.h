// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Time stamps in the receive pane. In String format a stamp starts each line
// when its first character arrives (a line ends at LF, or at CR that no LF
// follows); in the byte formats a stamp starts a new line whenever data
// arrives after a pause longer than the gap, a frame a line. A stamp is a
// note of the pane (see PaneNotes): not received data.
//
// The arrival time is the time the bytes were read from the device, on the
// scheduler's clock (milliseconds); the time of day is that clock's reading
// carried over to the wall clock at one anchor, so a stamp costs no clock
// call and virtual time drives it in the tests.

#include "core/DataFormats.h"
#include "terminal/PaneColours.h"

#include <QColor>
#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

enum class StampKind { None, TimeOfDay, Relative, DateTime };

namespace StampGap {
constexpr int MinMs = 1;
constexpr int MaxMs = 10000;
constexpr int DefaultMs = 20;
} // namespace StampGap

// The colour of the stamps.
inline const QColor kStampColour{128, 128, 128};

// The name a stamp kind is stored by ("NONE", "TIME", "RELATIVE",
// "DATETIME"), and the kind of a stored name (none for an unknown one).
QString StampKindName(StampKind kind);
std::optional<StampKind> StampKindNamed(const QString &name);

class ReceiveStamper
{
public:
    // The wall clock's time when the scheduler's clock read `ms`.
    void setAnchor(const QDateTime &wall, qint64 ms);
    void setKind(StampKind kind);
    StampKind kind() const { return m_kind; }
    void setGapMs(int ms) { m_gapMs = ms; }

    // Adds text received at `arrivedMs`, rendered in `format`, to `out`, with
    // the stamps that go before and within it; each stamp's place in `out`
    // goes into `stamps` as a run in the stamps' colour.
    void add(QString &out, std::vector<PaneColours::Run> &stamps, QStringView text, DataFormat format,
             qint64 arrivedMs);
    // Before a step of adding: the pane's text ends with `last` (a null
    // QChar when it is empty). Where the data's line stands follows from it,
    // so a stamp never lands inside a line: not after stamps were switched
    // on mid-line, nor after text that is no data (a shown send) or an edit.
    void continueAfter(QChar last, DataFormat format);

private:
    const QString &stampText(qint64 ms);
    void stamp(QString &out, std::vector<PaneColours::Run> &stamps, qint64 ms);
    void writeStamped(QString &out, std::vector<PaneColours::Run> &stamps, QStringView text, qint64 ms);

    StampKind m_kind = StampKind::None;
    int m_gapMs = StampGap::DefaultMs;
    QDateTime m_anchorWall = QDateTime::currentDateTime();
    qint64 m_anchorMs = 0;
    // The line state of the data: a stamp is due before the next character
    // (in the byte formats: a frame is due), a CR waits to see whether LF
    // follows, text stands on the pane's line.
    bool m_lineStart = true;
    bool m_crPending = false;
    bool m_lineOpen = false;
    // The arrival of the last data (byte formats), of the last stamp.
    std::optional<qint64> m_lastArrival;
    std::optional<qint64> m_lastStamp;
    // Where in the text being added the stamps go (kept for its room).
    std::vector<qsizetype> m_stampPlaces;
    // The text of the last stamp and its time (its interval, for relative
    // stamps), which the next stamp reuses when they are the same.
    std::optional<qint64> m_cachedKey;
    QString m_cached;
};
