// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Small widgets the main window's controls are made of.

#include <QColor>
#include <QLabel>
#include <functional>

class QAction;
class QComboBox;

// A label that reports clicks, double clicks, the mouse moving over it and
// a mouse button released over it.
class ClickLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ClickLabel(const QString &text, QWidget *parent = nullptr);

signals:
    void clicked();
    void doubleClicked();
    void hovered();
    void released(Qt::MouseButton button);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
};

// A round signal lamp: red when its line is on, black when off. A click
// with the left button says so, for a lamp that is a switch too.
class Lamp : public QWidget
{
    Q_OBJECT
public:
    explicit Lamp(QWidget *parent = nullptr);
    void setOn(bool on);
    bool isOn() const { return m_on; }
    QColor color() const;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool m_on = false;
};

// Gives a new control its name (the objectName tests and tools find it by).
template <typename W>
W *Named(W *widget, const char *name)
{
    widget->setObjectName(QString::fromUtf8(name));
    return widget;
}

// Menu items of which one is ticked at a time, named (objectName) in order;
// picking the i-th ticks it and calls picked(i).
QList<QAction *> ChoiceItems(QObject *owner, std::initializer_list<const char *> names,
                             std::function<void(int index)> picked);

// Runs action whenever the mouse enters or moves over widget.
void OnHover(QWidget *widget, std::function<void()> action);

// Paints a widget's text in a colour (labels turning red on hover).
void SetTextColor(QWidget *widget, const QColor &color);
// Paints a widget's background (the interval box blinking while auto-sending).
void SetBackgroundColor(QWidget *widget, const QColor &color);
QColor BackgroundColor(const QWidget *widget);

// Keeps the text an editable combo box shows while its list is changed in
// the guard's scope: the shown text is the current value (a settings text,
// the number to dial), and adding, renaming or removing list entries must
// not replace it.
class KeepShownText
{
public:
    explicit KeepShownText(QComboBox *box);
    ~KeepShownText();
    KeepShownText(const KeepShownText &) = delete;
    KeepShownText &operator=(const KeepShownText &) = delete;

private:
    QComboBox *m_box;
    QString m_text;
};
