// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/SingleInstance.h"

#include "core/Dialogs.h"
#include "desktop/DesktopServices.h"

StartRole DecideStart(DesktopServices &desktop, Dialogs &dialogs)
{
    if (!desktop.anotherCopyRunning())
        return StartRole::FirstCopy;
    const MsgAnswer answer = dialogs.message(QStringLiteral("程序正在运行,确定打开另一个实例吗?"),
                                             QStringLiteral("提示"), MsgIcon::Exclamation, MsgButtons::YesNo);
    return answer == MsgAnswer::Yes ? StartRole::SecondCopy : StartRole::Quit;
}
