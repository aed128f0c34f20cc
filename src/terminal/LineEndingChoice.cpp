// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/LineEndingChoice.h"

#include "core/Widgets.h"

#include <QAction>
#include <algorithm>

namespace {

// The line ends in the order of their items.
constexpr LineEnding kEndings[] = {LineEnding::CrLf, LineEnding::Lf, LineEnding::Cr, LineEnding::None};

} // namespace

LineEndingChoice::LineEndingChoice(QObject *parent) : QObject(parent)
{
    m_items = ChoiceItems(this, {"mEndCrLf", "mEndLf", "mEndCr", "mEndNone"},
                          [this](int index) { m_value = kEndings[index]; });
    setValue(LineEnding::CrLf);
}

void LineEndingChoice::setValue(LineEnding ending)
{
    m_value = ending;
    m_items[std::find(std::begin(kEndings), std::end(kEndings), ending) - std::begin(kEndings)]->setChecked(true);
}
