#pragma once
// The text colours of a pane's characters, kept as runs: each run starts at
// a character position and lasts until the next one; a run without a colour
// shows the pane's own. Colouring a range costs a few steps of a balanced
// tree whatever the pane's length (plus one step for each run the range
// covers up), so a highlighter can colour new data as it streams in.
// Positions are 64 bits wide.

#include <QColor>
#include <map>
#include <optional>
#include <vector>

class PaneColours
{
public:
    struct Run
    {
        qsizetype from = 0;
        qsizetype to = 0;
        QColor colour; // invalid: the pane's own
    };

    // Gives the characters [from, to) the colour (invalid: the pane's own).
    void colour(qsizetype from, qsizetype to, const QColor &colour);
    // Characters [from, from + removed) were replaced by `added` others: the
    // runs after them move, and the new characters take no colour.
    void replaced(qsizetype from, qsizetype removed, qsizetype added);
    void clear() { m_runs.clear(); }

    // The coloured runs that overlap [from, to), cut to it, in order.
    std::vector<Run> runs(qsizetype from, qsizetype to) const;
    // The colour of one character (invalid: the pane's own).
    QColor at(qsizetype position) const;

private:
    // The colour from each key on; QRgb with a flag for "none".
    using Colour = std::optional<QRgb>;
    Colour colourAt(qsizetype position) const;
    void tidy(qsizetype at);

    std::map<qsizetype, Colour> m_runs;
};
