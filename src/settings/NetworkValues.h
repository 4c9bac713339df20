// Defaults of the network values, the decision made on them at start-up, and the allowed-senders
// value as found. No Windows headers here.
#pragma once

#include <string>

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

// The "AllowedSenders" value as the registry gave it. Only a value that is missing or empty lets
// everyone in, so a caller must be able to tell those from one that is there but unreadable.
struct StoredAllowedSenders {
    enum class Kind {
        Absent,      // neither the value nor its key is there
        Empty,       // a string with nothing in it
        Text,        // a string with something in it
        Unreadable,  // there, but not a string, or the registry refused or failed to give it
    };
    Kind kind = Kind::Absent;
    std::string text;  // for Text only
};
