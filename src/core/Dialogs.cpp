#include "core/Dialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace {

QWidget *owner()
{
    return QApplication::activeWindow();
}

QMessageBox::Icon qtIcon(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::Question: return QMessageBox::Question;
    case MsgIcon::Exclamation: return QMessageBox::Warning;
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::Critical: return QMessageBox::Critical;
    case MsgIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

MsgAnswer QtDialogs::message(const QString &text, const QString &title, MsgIcon icon,
                             MsgButtons buttons)
{
    QMessageBox box(qtIcon(icon), title, text,
                    buttons == MsgButtons::YesNo ? QMessageBox::Yes | QMessageBox::No
                                                 : QMessageBox::Ok,
                    owner());
    const int answer = box.exec();
    if (buttons == MsgButtons::Ok)
        return MsgAnswer::Ok;
    return answer == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
}

QString QtDialogs::input(const QString &prompt, const QString &title, const QString &defaultText)
{
    bool ok = false;
    const QString answer =
        QInputDialog::getText(owner(), title, prompt, QLineEdit::Normal, defaultText, &ok);
    return ok ? answer : QString();
}

QString QtDialogs::openFileName(const QString &title, const QString &filter)
{
    return QFileDialog::getOpenFileName(owner(), title, {}, filter);
}

QString QtDialogs::saveFileName(const QString &title, const QString &filter)
{
    return QFileDialog::getSaveFileName(owner(), title, {}, filter);
}

std::optional<QColor> QtDialogs::color(const QColor &initial)
{
    const QColor c = QColorDialog::getColor(initial, owner());
    if (!c.isValid())
        return std::nullopt;
    return c;
}

void QtDialogs::beep()
{
    QApplication::beep();
}
