// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The find bar under the receive pane: what to find, with or without
// regard to case, or as a byte pattern ("55 AA") in the byte formats; next
// and previous, the number of matches and which one is selected. A search
// runs over the pane's whole history on a thread of its own (PaneFinder);
// the bar shows its progress and can cancel it. Any change of the pane's
// text other than an append ends the search and its matches.

#include "terminal/PaneFinder.h"

#include <QWidget>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QToolButton;
class TextPane;

class FindBar : public QWidget
{
    Q_OBJECT
public:
    // `byteBase` tells the base the pane shows bytes in: 16, 10 or 8, or 0
    // when it shows characters.
    FindBar(TextPane &pane, std::function<int()> byteBase, QWidget *parent = nullptr);

    // Shows the bar with the focus in its field.
    void open();
    // Searches again for what the field holds.
    void search();
    // Selects the next (or previous) match after (before) the selection.
    void step(bool forward);
    const PaneFinder &finder() const { return m_finder; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void showCount();
    void forget();

    TextPane &m_pane;
    std::function<int()> m_byteBase;
    PaneFinder m_finder;
    QLineEdit *m_what;
    QCheckBox *m_case;
    QCheckBox *m_bytes;
    QLabel *m_count;
    QToolButton *m_cancel;
    qsizetype m_current = -1;
};
