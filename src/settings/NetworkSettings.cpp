// The network values, with their names and defaults.
#include "settings/NetworkSettings.h"

#include "settings/NetworkValues.h"
#include "settings/SettingsSection.h"

using namespace settings_section;

void CNetworkSettings::ReadReceiveSettings(bool& accept, unsigned& port) const
{
    accept = ReadInt("WorkAsClient", 0) != 0;
    port = static_cast<unsigned>(ReadInt("ClientPort", kDefaultClientPort));
}

void CNetworkSettings::WriteReceiveSettings(bool accept, unsigned port) const
{
    WriteInt("WorkAsClient", accept ? 1 : 0);
    WriteInt("ClientPort", static_cast<int>(port));
}

bool CNetworkSettings::ReadSendAllowed() const
{
    return ReadInt("WorkAsServer", 0) != 0;
}

void CNetworkSettings::WriteSendAllowed(bool allowed) const
{
    WriteInt("WorkAsServer", allowed ? 1 : 0);
}

bool CNetworkSettings::IsNetworkUsed() const
{
    return ::IsNetworkUsed(ReadInt("WorkAsServer", 0), ReadInt("WorkAsClient", 0));
}

int CNetworkSettings::ReadLastCommand() const
{
    return ReadInt("LastCommand", kNoLastCommand);
}

void CNetworkSettings::WriteLastCommand(int index) const
{
    WriteInt("LastCommand", index);
}

bool CNetworkSettings::ReadIntroductionOffered() const
{
    return ReadInt("IntroductionOfNetwork", 0) != 0;
}

void CNetworkSettings::WriteIntroductionOffered() const
{
    WriteInt("IntroductionOfNetwork", 1);
}

StoredAllowedSenders CNetworkSettings::ReadAllowedSenders() const
{
    using Kind = StoredAllowedSenders::Kind;
    StoredAllowedSenders stored;
    bool exists = false;
    if (!QueryString("AllowedSenders", stored.text, exists)) {
        stored.kind = Kind::Unreadable;
        stored.text.clear();
    } else if (!exists) {
        stored.kind = Kind::Absent;
    } else {
        stored.kind = stored.text.empty() ? Kind::Empty : Kind::Text;
    }
    return stored;
}

void CNetworkSettings::WriteAllowedSenders(const std::string& list) const
{
    WriteString("AllowedSenders", list);
}
