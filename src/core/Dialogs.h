// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The dialogs seam: message boxes, input boxes, file and colour pickers and
// the system beep. The program asks through it so tests can script the
// answers and read back every box that was shown.

#include <QColor>
#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

enum class MsgIcon { None, Question, Exclamation, Information, Critical };
enum class MsgButtons { Ok, YesNo };
enum class MsgAnswer { Ok, Yes, No };

class Dialogs
{
public:
    virtual ~Dialogs() = default;

    // A modal message box; with MsgButtons::Ok the answer is always Ok.
    virtual MsgAnswer message(const QString &text, const QString &title, MsgIcon icon,
                              MsgButtons buttons = MsgButtons::Ok) = 0;

    // An input box; Cancel answers an empty text.
    virtual QString input(const QString &prompt, const QString &title,
                          const QString &defaultText) = 0;

    // File pickers; Cancel answers an empty text. filter is a Qt filter
    // such as "Text(*.txt)"; the pickers start at preset, a file name.
    virtual QString openFileName(const QString &title, const QString &filter,
                                 const QString &preset = {}) = 0;
    virtual QString saveFileName(const QString &title, const QString &filter,
                                 const QString &preset = {}) = 0;

    // A folder picker starting at preset; Cancel answers an empty text.
    virtual QString folderName(const QString &title, const QString &preset = {}) = 0;

    // One of items, picked from a list that starts at current; Cancel
    // answers an empty text.
    virtual QString choice(const QString &prompt, const QString &title, const QStringList &items,
                           int current = 0) = 0;

    // A colour chooser; Cancel answers nothing.
    virtual std::optional<QColor> color(const QColor &initial) = 0;

    virtual void beep() = 0;
};

// A whole number asked for until the answer, read as the number boxes read
// numbers, lies within [min, max]: an answer outside, or one without a
// digit, gets the box `outOfRange` and the question again, showing that
// answer. Cancel (an empty answer) gives nothing.
struct NumberQuestion
{
    QString prompt;
    QString title;
    int current;
    int min;
    int max;
    QString outOfRange;
    // An answer without a digit reads as 0 instead of being refused, as
    // older questions of the program do.
    bool noNumberIsZero = false;
};
std::optional<int> AskNumberInRange(Dialogs &dialogs, const NumberQuestion &question);

// The application's title, used where a box has no title of its own.
inline const char *const kAppTitle = "Kestrel5.0";

// Qt's own dialogs, parented to the active window.
class QtDialogs : public Dialogs
{
public:
    MsgAnswer message(const QString &text, const QString &title, MsgIcon icon,
                      MsgButtons buttons) override;
    QString input(const QString &prompt, const QString &title,
                  const QString &defaultText) override;
    QString openFileName(const QString &title, const QString &filter,
                         const QString &preset = {}) override;
    QString saveFileName(const QString &title, const QString &filter,
                         const QString &preset = {}) override;
    QString folderName(const QString &title, const QString &preset = {}) override;
    QString choice(const QString &prompt, const QString &title, const QStringList &items,
                   int current = 0) override;
    std::optional<QColor> color(const QColor &initial) override;
    void beep() override;
};
