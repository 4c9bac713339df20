// The global hot key: registered without a window, so its presses reach the thread's queue.
#include "ui/HotKey.h"

#include <windows.h>

#include "framework/App.h"
#include "settings/HotKeyFlags.h"
#include "settings/SettingsStore.h"

namespace {

const int kHotKeyId = 1;

}  // namespace

void RegisterStoredHotKey()
{
    const StoredHotKey stored = ReadHotKey();
    const HotKeyRegistration hotKey = RegistrationFromStored(stored.key, stored.mod);
    if (!hotKey.registers)
        return;
    if (!::RegisterHotKey(nullptr, kHotKeyId, hotKey.modifiers, hotKey.key))
        CWinApp::Current()->ShowMessage(nullptr, "Could not Register Hot Key for Dusklamp", MB_ICONINFORMATION);
}

void UnregisterStoredHotKey()
{
    ::UnregisterHotKey(nullptr, kHotKeyId);
}
