// A clock for pauses and deadlines that never runs backwards or wraps.
#pragma once

// Microseconds on the performance counter: the tick count's steps of up to 16 ms are too coarse
// for the half-second pauses, and it wraps after 49 days.
unsigned long long MonotonicMicroseconds();
