// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Keyword highlighting: the three keywords (in memory only), the keyword
// window opened by the button `KeyUp` and the menu item `msetkey`, and the
// timer `KeyTimer` that colours new matches in the receive pane every
// 100 ms while the receive counter moves. The colouring is incremental (see
// KeywordHighlighter): a tick costs what arrived since the last one.

#include "desktop/KeywordWindow.h"
#include "terminal/KeywordHighlighter.h"

#include <QObject>
#include <QPointer>

class Dialogs;
class QAction;
class QToolButton;
class QWidget;
class ReceivePath;
class Scheduler;
class TextPane;
class Timer;

class KeywordHighlighting : public QObject
{
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 100;
    // What one run may take at most, and the characters searched at a time
    // within it.
    static constexpr qint64 kBudgetNs = 5'000'000;
    static constexpr qsizetype kSlice = 32 * 1024;

    struct Services
    {
        Scheduler &scheduler;
        Dialogs &dialogs;
        ReceivePath &receive;
        TextPane &sendBox;
    };

    KeywordHighlighting(const Services &services, QWidget *window);

    QToolButton *KeyUp() const { return m_keyUp; }
    QAction *msetkey() const { return m_msetkey; }
    Timer *KeyTimer() const { return m_keyTimer; }
    const Keywords &keywords() const { return m_keywords; }
    // Whether the last run reached the end of the pane.
    bool isCaughtUp() const;
    // The keyword window while it is open.
    KeywordWindow *window() const { return m_window; }

    // Opens the keyword window, unless it is open already.
    void OpenKeywordWindow();
    // Stores the keywords, switches the timer and colours the whole pane.
    void Accept(const Keywords &keywords);
    // Colours the matches the pane got since the last run, as far as a few
    // milliseconds allow; the next tick goes on where this one stopped.
    void HighlightKeywords();

private:
    void tick();

    Services m_s;
    QWidget *m_windowParent;
    Keywords m_keywords;
    KeywordHighlighter m_highlighter;
    Timer *m_keyTimer;
    qint64 m_lastHighlightCount = 0;
    QToolButton *m_keyUp;
    QAction *m_msetkey;
    QPointer<KeywordWindow> m_window;
};
