// The network values, with their names and defaults.
#include "settings/NetworkSettings.h"

#include "settings/NetworkValues.h"
#include "settings/SettingsSection.h"

using namespace settings_section;

namespace {

int ReadPort()
{
    return ReadIntInForce("ClientPort", kDefaultClientPort, kPolicyPortRange).value;
}

bool IsAllowedSendersManaged()
{
    bool byPolicy = false;
    ResolveAllowedSenders(ReadMachinePolicy("AllowedSenders"), ReadUserPolicy("AllowedSenders"),
                          StoredAllowedSenders(), byPolicy);
    return byPolicy;
}

}  // namespace

ManagedNetworkSettings CNetworkSettings::ReadManaged() const
{
    return {IsManaged("WorkAsClient"), IsManaged("ClientPort", kPolicyPortRange), IsManaged("WorkAsServer"),
            IsAllowedSendersManaged()};
}

void CNetworkSettings::ReadReceiveSettings(bool& accept, unsigned& port) const
{
    accept = ReadIntInForce("WorkAsClient", 0).value != 0;
    port = static_cast<unsigned>(ReadPort());
}

void CNetworkSettings::WriteReceiveSettings(bool accept, unsigned port) const
{
    WriteIntUnlessManaged("WorkAsClient", accept ? 1 : 0);
    WriteIntUnlessManaged("ClientPort", static_cast<int>(port), kPolicyPortRange);
}

bool CNetworkSettings::ReadSendAllowed() const
{
    return ReadIntInForce("WorkAsServer", 0).value != 0;
}

void CNetworkSettings::WriteSendAllowed(bool allowed) const
{
    WriteIntUnlessManaged("WorkAsServer", allowed ? 1 : 0);
}

bool CNetworkSettings::IsNetworkUsed() const
{
    return ::IsNetworkUsed(ReadIntInForce("WorkAsServer", 0).value, ReadIntInForce("WorkAsClient", 0).value);
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
    StoredAllowedSenders own;
    bool exists = false;
    if (!QueryString("AllowedSenders", own.text, exists)) {
        own.kind = Kind::Unreadable;
        own.text.clear();
    } else if (!exists) {
        own.kind = Kind::Absent;
    } else {
        own.kind = own.text.empty() ? Kind::Empty : Kind::Text;
    }
    bool byPolicy = false;
    return ResolveAllowedSenders(ReadMachinePolicy("AllowedSenders"), ReadUserPolicy("AllowedSenders"), own, byPolicy);
}

void CNetworkSettings::WriteAllowedSenders(const std::string& list) const
{
    if (!IsAllowedSendersManaged())
        WriteString("AllowedSenders", list);
}

void CAllowedSendersWatch::Start()
{
    m_watch.Watch({{HKEY_LOCAL_MACHINE, kPolicyPath},
                   {HKEY_CURRENT_USER, kPolicyPath},
                   {HKEY_CURRENT_USER, CWinApp::Current()->ProfileSectionPath(kSection)}});
}

bool CAllowedSendersWatch::HasChanged() const
{
    return m_watch.HasChanged();
}
