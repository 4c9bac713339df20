// The wake guard's window classes, by which a test driver finds its windows. No Windows headers
// here, so that tests can share the names.
#pragma once

// The guard's window on the main thread: timers, the hook thread's reports, session changes.
inline constexpr char kWakeGuardClass[] = "Dusklamp.WakeGuard";
// The window of the thread that runs the low-level hooks.
inline constexpr char kWakeGuardHooksClass[] = "Dusklamp.WakeGuardHooks";
