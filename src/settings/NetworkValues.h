// Defaults of the network values and the one decision made on them. No Windows headers here.
#pragma once

inline constexpr int kDefaultClientPort = 1960;
// The ports the dialogs admit and the listener opens.
inline constexpr unsigned kLowestPort = 1;
inline constexpr unsigned kHighestPort = 65535;
inline constexpr int kNoLastCommand = -1;

// Whether start-up needs the socket layer. Only a stored 1 counts, as the values' one writer
// stores 0 or 1; anything else another program may have written counts as off.
inline bool IsNetworkUsed(int workAsServer, int workAsClient)
{
    return workAsServer == 1 || workAsClient == 1;
}
