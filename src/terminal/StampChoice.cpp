#include "terminal/StampChoice.h"

#include "core/Dialogs.h"
#include "core/Widgets.h"

#include <QAction>
#include <QActionGroup>

namespace {

struct Item
{
    StampKind kind;
    const char *name;
};
constexpr Item kItems[] = {{StampKind::None, "mStampNone"},
                           {StampKind::TimeOfDay, "mStampTime"},
                           {StampKind::Relative, "mStampRelative"},
                           {StampKind::DateTime, "mStampDateTime"}};

} // namespace

StampChoice::StampChoice(Dialogs &dialogs, QObject *parent) : QObject(parent), m_dialogs(dialogs)
{
    auto *group = new QActionGroup(this);
    for (const Item &item : kItems) {
        auto *action = new QAction(group);
        action->setObjectName(QString::fromLatin1(item.name));
        action->setCheckable(true);
        const StampKind kind = item.kind;
        connect(action, &QAction::triggered, this, [this, kind] { setKind(kind); });
        m_items << action;
    }
    m_items << Named(new QAction(this), "mStampGap");
    connect(m_items.back(), &QAction::triggered, this, &StampChoice::AskGap);
    setKind(StampKind::None);
}

void StampChoice::setKind(StampKind kind)
{
    m_kind = kind;
    for (int i = 0; i < int(std::size(kItems)); ++i)
        m_items[i]->setChecked(kItems[i].kind == kind);
    emit changed();
}

void StampChoice::setGapMs(int ms)
{
    m_gapMs = ms;
    emit changed();
}

void StampChoice::AskGap()
{
    const auto ms = AskNumberInRange(
        m_dialogs, {QStringLiteral("请输入分帧间隔：数据停顿超过它即另起一行加时间戳( 单位：毫秒 )"),
                    QStringLiteral("设置分帧间隔"), m_gapMs, StampGap::MinMs, StampGap::MaxMs,
                    QStringLiteral("间隔须在 %1 到 %2 毫秒之间！").arg(StampGap::MinMs).arg(StampGap::MaxMs)});
    if (ms)
        setGapMs(*ms);
}
