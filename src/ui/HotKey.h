// The global hot key's registration for the GUI thread, from the stored "Key" and "Mod".
#pragma once

// Registers the stored hot key, if any; tells the user when the system refuses it.
void RegisterStoredHotKey();
void UnregisterStoredHotKey();
