#pragma once
// The port's settings text: baud rate, parity letter, data bits and stop
// bits separated by commas, for example "9600,n,8,1".

#include <QString>
#include <optional>

struct PortSettings
{
    int baud = 9600;
    char parity = 'n'; // 'n' none, 'e' even, 'o' odd
    int dataBits = 8;
    double stopBits = 1; // 1, 1.5 or 2

    // The settings of a text, or nothing when the port must refuse it
    // (error 380): a baud rate that is not a positive number, a parity that
    // is not n, e or o, data bits outside 5 to 8, stop bits not 1, 1.5 or 2.
    static std::optional<PortSettings> parse(const QString &text);
};

// The number at the start of a settings text, as the time-outs and the
// auto-send interval read it ("9600,n,8,1" gives 9600).
int LeadingInteger(const QString &text);
