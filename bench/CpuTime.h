// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The processor time this process has used so far, user and system, in
// seconds: the difference over a stretch is what that stretch cost.

#include <sys/resource.h>

inline double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}
