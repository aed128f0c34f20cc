// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Dialogs.h"

#include "core/NumberText.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>

#include <algorithm>

namespace {

QWidget *owner()
{
    return QApplication::activeWindow();
}

// The extension of the filter's first pattern: "txt" for "Text(*.txt)".
QString defaultSuffix(const QString &filter)
{
    static const QRegularExpression pattern(QStringLiteral("\\*\\.(\\w+)"));
    return pattern.match(filter).captured(1);
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
    // The interface is Chinese, also where Qt would label the buttons itself.
    if (buttons == MsgButtons::YesNo) {
        box.button(QMessageBox::Yes)->setText(QStringLiteral("是(&Y)"));
        box.button(QMessageBox::No)->setText(QStringLiteral("否(&N)"));
    } else {
        box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    }
    const int answer = box.exec();
    if (buttons == MsgButtons::Ok)
        return MsgAnswer::Ok;
    return answer == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
}

QString QtDialogs::input(const QString &prompt, const QString &title, const QString &defaultText)
{
    QInputDialog box(owner());
    box.setWindowTitle(title);
    box.setLabelText(prompt);
    box.setTextValue(defaultText);
    box.setOkButtonText(QStringLiteral("确定"));
    box.setCancelButtonText(QStringLiteral("取消"));
    return box.exec() == QDialog::Accepted ? box.textValue() : QString();
}

QString QtDialogs::openFileName(const QString &title, const QString &filter, const QString &preset)
{
    return QFileDialog::getOpenFileName(owner(), title, preset, filter);
}

QString QtDialogs::saveFileName(const QString &title, const QString &filter, const QString &preset)
{
    QFileDialog dialog(owner(), title, preset, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // A name typed without an extension gets the filter's, so that the file
    // shows up again in an open dialog with the same filter.
    dialog.setDefaultSuffix(defaultSuffix(filter));
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

QString QtDialogs::folderName(const QString &title, const QString &preset)
{
    return QFileDialog::getExistingDirectory(owner(), title, preset);
}

QString QtDialogs::choice(const QString &prompt, const QString &title, const QStringList &items, int current)
{
    bool ok = false;
    const QString picked = QInputDialog::getItem(owner(), title, prompt, items, current, false, &ok);
    return ok ? picked : QString();
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

std::optional<int> AskNumberInRange(Dialogs &dialogs, const NumberQuestion &question)
{
    QString shown = QString::number(question.current);
    for (;;) {
        const QString answer = dialogs.input(question.prompt, question.title, shown);
        if (answer.isEmpty())
            return std::nullopt;
        const bool hasDigit = std::any_of(answer.begin(), answer.end(), [](QChar c) { return c.isDigit(); });
        const auto value = ToIntegerWidth(LenientNumber(answer), question.min, question.max);
        if (value && (hasDigit || question.noNumberIsZero))
            return int(*value);
        dialogs.message(question.outOfRange, QStringLiteral("提示"), MsgIcon::Exclamation);
        shown = answer;
    }
}
