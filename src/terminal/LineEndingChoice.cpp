#include "terminal/LineEndingChoice.h"

#include <QAction>
#include <QActionGroup>

namespace {

struct Item
{
    LineEnding ending;
    const char *name;
};
constexpr Item kItems[] = {{LineEnding::CrLf, "mEndCrLf"},
                           {LineEnding::Lf, "mEndLf"},
                           {LineEnding::Cr, "mEndCr"},
                           {LineEnding::None, "mEndNone"}};

} // namespace

LineEndingChoice::LineEndingChoice(QObject *parent) : QObject(parent)
{
    auto *group = new QActionGroup(this);
    for (const Item &item : kItems) {
        auto *action = new QAction(group);
        action->setObjectName(QString::fromLatin1(item.name));
        action->setCheckable(true);
        const LineEnding ending = item.ending;
        connect(action, &QAction::triggered, this, [this, ending] { m_value = ending; });
        m_items << action;
    }
    setValue(LineEnding::CrLf);
}

void LineEndingChoice::setValue(LineEnding ending)
{
    m_value = ending;
    for (int i = 0; i < m_items.size(); ++i)
        m_items[i]->setChecked(kItems[i].ending == ending);
}
