// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The port's settings text: baud rate, parity letter, data bits, stop bits
// and, optionally, the flow control, separated by commas, for example
// "9600,n,8,1" or "115200,n,8,1,h".

#include <QString>
#include <optional>

struct PortSettings
{
    int baud = 9600;
    char parity = 'n'; // 'n' none, 'e' even, 'o' odd, 'm' mark, 's' space
    int dataBits = 8;
    double stopBits = 1; // 1, 1.5 or 2
    char flow = 'n';     // 'n' none, 'h' hardware RTS/CTS, 'x' software XON/XOFF

    bool hardwareFlow() const { return flow == 'h'; }

    // The settings of a text, or nothing when the port must refuse it
    // (error 380): a baud rate that is not a positive number, a parity that
    // is not n, e, o, m or s, data bits outside 5 to 8, stop bits not 1, 1.5
    // or 2, a flow control that is not n, h or x. A text of four fields has
    // no flow control.
    static std::optional<PortSettings> parse(const QString &text);
};

// The number at the start of a settings text, as the time-outs and the
// auto-send interval read it ("9600,n,8,1" gives 9600).
int LeadingInteger(const QString &text);
