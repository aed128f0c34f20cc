// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/StampChoice.h"

#include "core/Dialogs.h"
#include "core/Widgets.h"

#include <QAction>
#include <algorithm>

namespace {

// The stamp kinds in the order of their items.
constexpr StampKind kKinds[] = {StampKind::None, StampKind::TimeOfDay, StampKind::Relative, StampKind::DateTime};

} // namespace

StampChoice::StampChoice(Dialogs &dialogs, QObject *parent) : QObject(parent), m_dialogs(dialogs)
{
    m_items = ChoiceItems(this, {"mStampNone", "mStampTime", "mStampRelative", "mStampDateTime"},
                          [this](int index) { setKind(kKinds[index]); });
    m_items << Named(new QAction(this), "mStampGap");
    connect(m_items.back(), &QAction::triggered, this, &StampChoice::AskGap);
    setKind(StampKind::None);
}

void StampChoice::setKind(StampKind kind)
{
    m_kind = kind;
    m_items[std::find(std::begin(kKinds), std::end(kKinds), kind) - std::begin(kKinds)]->setChecked(true);
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
