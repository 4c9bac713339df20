// The display actions: monitor power off and on, and lock before power off.
#pragma once

// Each waits 500 ms on the calling thread, then broadcasts the monitor power command.
void TurnDisplayOff();
void TurnDisplayOn();
// Locks the workstation and then turns the display off; tells the user when the lock is refused.
void LockAndTurnDisplayOff();
