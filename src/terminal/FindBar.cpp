// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/FindBar.h"

#include "terminal/TextPane.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

FindBar::FindBar(TextPane &pane, std::function<int()> byteBase, QWidget *parent)
    : QWidget(parent), m_pane(pane), m_byteBase(std::move(byteBase)), m_what(new QLineEdit(this)),
      m_case(new QCheckBox(QStringLiteral("区分大小写"), this)), m_bytes(new QCheckBox(QStringLiteral("字节"), this)),
      m_count(new QLabel(this)), m_cancel(new QToolButton(this))
{
    setObjectName(QStringLiteral("findBar"));
    m_what->setObjectName(QStringLiteral("findText"));
    m_what->setPlaceholderText(QStringLiteral("查找接收区"));
    m_case->setObjectName(QStringLiteral("findCase"));
    m_bytes->setObjectName(QStringLiteral("findBytes"));
    m_bytes->setToolTip(QStringLiteral("按字节查找，如 55 AA：跨行、跨插入的换行都能找到"));
    m_count->setObjectName(QStringLiteral("findCount"));
    m_cancel->setObjectName(QStringLiteral("findCancel"));
    // Tool buttons, narrower than push buttons: the bar shares the width of
    // the receive pane, and the text box must keep room for what is typed.
    const auto button = [this](const QString &text) {
        auto *b = new QToolButton(this);
        b->setText(text);
        return b;
    };
    m_cancel->setText(QStringLiteral("取消"));
    QToolButton *previous = button(QStringLiteral("上一个"));
    QToolButton *next = button(QStringLiteral("下一个"));
    QToolButton *close = button(QStringLiteral("关闭"));
    m_what->setMinimumWidth(m_what->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 16);
    previous->setObjectName(QStringLiteral("findPrevious"));
    next->setObjectName(QStringLiteral("findNext"));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    for (QWidget *w : std::initializer_list<QWidget *>{m_what, m_case, m_bytes, previous, next, m_count, m_cancel, close})
        row->addWidget(w, w == m_what ? 1 : 0);
    m_cancel->hide();

    connect(m_what, &QLineEdit::returnPressed, this, [this] { step(true); });
    connect(m_what, &QLineEdit::textChanged, this, &FindBar::search);
    connect(m_case, &QCheckBox::toggled, this, &FindBar::search);
    connect(m_bytes, &QCheckBox::toggled, this, &FindBar::search);
    connect(previous, &QToolButton::clicked, this, [this] { step(false); });
    connect(next, &QToolButton::clicked, this, [this] { step(true); });
    connect(m_cancel, &QToolButton::clicked, this, [this] {
        m_finder.cancel();
        m_cancel->hide();
        m_count->setText(QStringLiteral("已取消"));
    });
    connect(close, &QToolButton::clicked, this, [this] {
        forget();
        hide();
    });
    connect(&m_finder, &PaneFinder::progress, this, [this](int percent) {
        m_count->setText(QStringLiteral("查找中 %1%").arg(percent));
    });
    connect(&m_finder, &PaneFinder::finished, this, [this] {
        m_cancel->hide();
        m_current = -1;
        showCount();
    });
    // The text the matches point into is gone.
    connect(&m_pane, &TextPane::aboutToRewrite, this, &FindBar::forget);
    hide();
}

void FindBar::open()
{
    m_bytes->setEnabled(m_byteBase() > 0);
    if (!m_bytes->isEnabled())
        m_bytes->setChecked(false);
    show();
    m_what->setFocus();
    m_what->selectAll();
}

void FindBar::search()
{
    m_current = -1;
    const int base = m_bytes->isChecked() ? m_byteBase() : 0;
    const PaneFinder::Query query{m_what->text(), m_case->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive, base};
    if (m_finder.start(m_pane.history(), query)) {
        m_cancel->show();
        m_count->setText(QStringLiteral("查找中"));
    } else {
        m_cancel->hide();
        m_count->setText(m_what->text().isEmpty() ? QString()
                         : base > 0             ? QStringLiteral("不是字节序列")
                                                : QString());
    }
}

// The match after (before) the selection's start, round the end.
void FindBar::step(bool forward)
{
    const std::vector<PaneFinder::Match> &matches = m_finder.matches();
    if (m_finder.isRunning() || matches.empty())
        return;
    const qsizetype caret = m_pane.selStart();
    const auto after = std::partition_point(matches.begin(), matches.end(), [&](const PaneFinder::Match &m) {
        return forward ? m.from <= caret : m.from < caret;
    });
    qsizetype index = after - matches.begin();
    if (!forward)
        --index;
    const qsizetype size = qsizetype(matches.size());
    m_current = (index % size + size) % size;
    const PaneFinder::Match &match = matches[size_t(m_current)];
    m_pane.select(match.from, match.to - match.from);
    showCount();
}

void FindBar::showCount()
{
    const qsizetype count = m_finder.count();
    if (count == 0) {
        m_count->setText(QStringLiteral("无匹配"));
        return;
    }
    const QString kept = qsizetype(m_finder.matches().size()) < count
        ? QStringLiteral("（前 %1 个可跳转）").arg(m_finder.matches().size())
        : QString();
    m_count->setText(m_current >= 0 ? QStringLiteral("%1/%2%3").arg(m_current + 1).arg(count).arg(kept)
                                    : QStringLiteral("共 %1 个%2").arg(count).arg(kept));
}

void FindBar::forget()
{
    m_finder.cancel();
    m_cancel->hide();
    m_current = -1;
    m_count->clear();
}

void FindBar::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        forget();
        hide();
    } else if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && event->modifiers() & Qt::ShiftModifier) {
        step(false);
    } else {
        QWidget::keyPressEvent(event);
    }
}
