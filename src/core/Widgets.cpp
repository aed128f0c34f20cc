// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Widgets.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QMouseEvent>
#include <QPainter>

ClickLabel::ClickLabel(const QString &text, QWidget *parent) : QLabel(text, parent)
{
    setMouseTracking(true);
}

void ClickLabel::mousePressEvent(QMouseEvent *event)
{
    QLabel::mousePressEvent(event);
    emit clicked();
}

void ClickLabel::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    emit released(event->button());
}

void ClickLabel::mouseDoubleClickEvent(QMouseEvent *event)
{
    QLabel::mouseDoubleClickEvent(event);
    emit doubleClicked();
}

void ClickLabel::mouseMoveEvent(QMouseEvent *event)
{
    QLabel::mouseMoveEvent(event);
    emit hovered();
    // The move is the label's: passed on, it would reach the frame behind,
    // whose own hover undoes the label's.
    event->accept();
}

void ClickLabel::enterEvent(QEnterEvent *event)
{
    QLabel::enterEvent(event);
    emit hovered();
}

Lamp::Lamp(QWidget *parent) : QWidget(parent)
{
    setFixedSize(14, 14);
}

void Lamp::setOn(bool on)
{
    if (on == m_on)
        return;
    m_on = on;
    update();
}

QColor Lamp::color() const
{
    return m_on ? QColor(255, 0, 0) : QColor(0, 0, 0);
}

void Lamp::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

void Lamp::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(color());
    p.setPen(Qt::gray);
    p.drawEllipse(rect().adjusted(1, 1, -1, -1));
}

namespace {

class HoverFilter : public QObject
{
public:
    HoverFilter(QWidget *widget, std::function<void()> action)
        : QObject(widget), m_action(std::move(action))
    {
        widget->setMouseTracking(true);
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Enter || event->type() == QEvent::MouseMove)
            m_action();
        return false;
    }

private:
    std::function<void()> m_action;
};

} // namespace

void OnHover(QWidget *widget, std::function<void()> action)
{
    new HoverFilter(widget, std::move(action));
}

void SetTextColor(QWidget *widget, const QColor &color)
{
    QPalette pal = widget->palette();
    pal.setColor(QPalette::WindowText, color);
    pal.setColor(QPalette::Text, color);
    widget->setPalette(pal);
}

void SetBackgroundColor(QWidget *widget, const QColor &color)
{
    QPalette pal = widget->palette();
    pal.setColor(QPalette::Base, color);
    pal.setColor(QPalette::Window, color);
    widget->setPalette(pal);
    widget->setAutoFillBackground(true);
}

QColor BackgroundColor(const QWidget *widget)
{
    return widget->palette().color(QPalette::Base);
}

KeepShownText::KeepShownText(QComboBox *box) : m_box(box), m_text(box->currentText()) {}

KeepShownText::~KeepShownText()
{
    m_box->setEditText(m_text);
}

QList<QAction *> ChoiceItems(QObject *owner, std::initializer_list<const char *> names,
                             std::function<void(int index)> picked)
{
    auto *group = new QActionGroup(owner);
    QList<QAction *> items;
    for (const char *name : names) {
        auto *item = Named(new QAction(group), name);
        item->setCheckable(true);
        const int index = int(items.size());
        QObject::connect(item, &QAction::triggered, owner, [picked, index] { picked(index); });
        items << item;
    }
    return items;
}
