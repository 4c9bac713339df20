// The network feature's stored values: receiving ("WorkAsClient", "ClientPort", "AllowedSenders"),
// sending ("WorkAsServer"), the last command chosen and the one-time introduction. The value names
// are stored data and stay as they are, although "Client" belongs to receiving.
#pragma once

#include <string>

#include "framework/RegistryWatch.h"
#include "settings/NetworkValues.h"

// Which of the values the dialog shows a policy sets: those the user can neither change nor store.
struct ManagedNetworkSettings {
    bool accept;          // "WorkAsClient"
    bool port;            // "ClientPort"
    bool sendAllowed;     // "WorkAsServer"
    bool allowedSenders;  // "AllowedSenders"
};

// Holds nothing between calls: every operation reads or writes the registry at once. Reads give a
// policy's value where one is set, and writes leave the user's own value of it alone.
class CNetworkSettings {
public:
    ManagedNetworkSettings ReadManaged() const;
    void ReadReceiveSettings(bool& accept, unsigned& port) const;
    void WriteReceiveSettings(bool accept, unsigned port) const;
    bool ReadSendAllowed() const;
    void WriteSendAllowed(bool allowed) const;
    // Whether the socket layer is needed at start-up: sending or receiving is switched on.
    bool IsNetworkUsed() const;
    // An index of the command table, -1 for none.
    int ReadLastCommand() const;
    void WriteLastCommand(int index) const;
    bool ReadIntroductionOffered() const;
    // "AllowedSenders": the computers whose commands are taken, as text; empty for every computer.
    // Whether the value is there and readable is part of the answer: CAllowedSenders::Load decides.
    StoredAllowedSenders ReadAllowedSenders() const;
    void WriteAllowedSenders(const std::string& list) const;
    void WriteIntroductionOffered() const;
};

// Tells when "AllowedSenders" may have changed, wherever it is set: by either policy or by the user.
class CAllowedSendersWatch {
public:
    // From now on; the value is to be read after this.
    void Start();
    bool HasChanged() const;

private:
    CRegistryWatch m_watch;
};
