// The performance counter in microseconds.
#include "framework/Clock.h"

#include <windows.h>

unsigned long long MonotonicMicroseconds()
{
    static const long long frequency = [] {
        LARGE_INTEGER value;
        return ::QueryPerformanceFrequency(&value) && value.QuadPart > 0 ? value.QuadPart : 1000LL;
    }();
    LARGE_INTEGER counter;
    if (!::QueryPerformanceCounter(&counter))
        return static_cast<unsigned long long>(::GetTickCount()) * 1000;
    const unsigned long long ticks = static_cast<unsigned long long>(counter.QuadPart);
    const unsigned long long perSecond = static_cast<unsigned long long>(frequency);
    return ticks / perSecond * 1000000 + ticks % perSecond * 1000000 / perSecond;
}
