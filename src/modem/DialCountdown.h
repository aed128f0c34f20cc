// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The countdown shown while dialing: a progress bar that grows upwards by
// one step about once a second, and a status text counting down the
// seconds of the handshake wait. The main window's timer go calls tick()
// every 200 ms and paints the bar from barTop() and barHeight() (twips).

#include <QString>
#include <optional>

// "拨号中,稍候 35 秒..." for a 35000 ms wait: the status when a call starts.
QString DialingStatusText(int handshakeWaitMs);
// "拨号中,稍后 34 秒..." after one step: the seconds left, at least two digits.
QString CountdownStatusText(int handshakeWaitMs, int stepsDone);

class DialCountdown
{
public:
    // The bar's frame Spp; the bar sp starts out covering it.
    static constexpr double kFrameTop = 360;
    static constexpr double kFrameHeight = 1575;
    // A bar this high (or reaching the frame's top) counts as full.
    static constexpr double kFullHeight = 1557;
    static constexpr double kFailedTop = 1920;

    // A call starts: no steps done, the bar empty at the bottom of the frame.
    void start();
    // One tick of go; the new status text when the bar grew a step.
    std::optional<QString> tick(int handshakeWaitMs);
    void showConnected();
    void showFailed();

    double barTop() const { return m_top; }
    double barHeight() const { return m_height; }

private:
    int m_ticks = 0; // counts for the window's whole life, not per call
    int m_steps = 0;
    double m_top = kFrameTop;
    double m_height = kFrameHeight;
};
