// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/KeywordHighlighting.h"

#include "commands/Topmost.h"
#include "core/Scheduler.h"
#include "core/Widgets.h"
#include "desktop/Artwork.h"
#include "desktop/HotKeyToggle.h"
#include "desktop/KeywordWindow.h"
#include "terminal/ReceivePane.h"
#include "terminal/ReceivePath.h"

#include <QAction>
#include <QElapsedTimer>
#include <QToolButton>
#include <algorithm>

KeywordHighlighting::KeywordHighlighting(const Services &services, QWidget *window)
    : QObject(window), m_s(services), m_windowParent(window)
{
    m_keyTimer = m_s.scheduler.createTimer(this, QStringLiteral("KeyTimer"));
    m_keyTimer->setInterval(kIntervalMs);
    connect(m_keyTimer, &Timer::timeout, this, &KeywordHighlighting::tick);

    m_keyUp = Named(new QToolButton(window), "KeyUp");
    m_keyUp->setIcon(KestrelIcon("keyword"));
    m_keyUp->setToolTip(QStringLiteral("关键字设置"));
    connect(m_keyUp, &QToolButton::clicked, this, &KeywordHighlighting::OpenKeywordWindow);
    m_msetkey = Named(new QAction(this), "msetkey");
    connect(m_msetkey, &QAction::triggered, this, &KeywordHighlighting::OpenKeywordWindow);

    // A replaced or edited pane has lost or moved its colours: start over.
    connect(m_s.receive.Text2(), &TextPane::rewritten, this, [this] { m_highlighter.restart(); });
}

void KeywordHighlighting::OpenKeywordWindow()
{
    if (m_window && m_window->isVisible())
        return;
    delete m_window;
    m_window = new KeywordWindow(m_s.dialogs, m_keywords, m_s.sendBox, *m_s.receive.Text2(), m_windowParent);
    m_window->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_window, &KeywordWindow::accepted, this, &KeywordHighlighting::Accept);
    ShowWindow(*m_window);
    SetTopmost(m_window, 0);
}

void KeywordHighlighting::Accept(const Keywords &keywords)
{
    m_keywords = keywords;
    const bool any = std::any_of(keywords.begin(), keywords.end(), [](const KeywordEntry &k) { return k.Enabled; });
    m_keyTimer->setEnabled(any);
    m_highlighter.setKeywords(keywords);
    HighlightKeywords();
}

void KeywordHighlighting::HighlightKeywords()
{
    // Data can arrive faster than it can be coloured (far faster than a
    // serial line brings it): the colouring then trails the data, and
    // receiving and the window never wait for it.
    TextPane &pane = *m_s.receive.Text2();
    QElapsedTimer spent;
    spent.start();
    do {
        // Text that went to the archive before it was searched stays as it is.
        const PaneHistory &history = pane.history();
        const qsizetype upTo = std::clamp(m_highlighter.searched() + kSlice, history.base(), pane.length());
        pane.colourRuns(m_highlighter.run(QStringView(history.resident()).left(upTo - history.base()),
                                          history.residentNotes(), history.base()));
    } while (m_highlighter.searched() < pane.length() && spent.nsecsElapsed() < kBudgetNs);
}

bool KeywordHighlighting::isCaughtUp() const
{
    return m_highlighter.searched() >= m_s.receive.Text2()->length();
}

// Runs when the receive counter moved since the last run (a reset of the
// counter counts as a move), or when the last run stopped short of the end.
void KeywordHighlighting::tick()
{
    if (m_s.receive.counter() == m_lastHighlightCount && isCaughtUp())
        return;
    m_lastHighlightCount = m_s.receive.counter();
    HighlightKeywords();
}
