// Sending a remote command without blocking, its failure message, and this computer's own address.
#include "net/Sender.h"

#include <iphlpapi.h>

#include <cstdint>
#include <vector>

#include "net/AddressText.h"
#include "net/PortText.h"

bool CRemoteSend::Start(const std::string& address, const std::string& portText, const std::string& wire, int& error)
{
    Cancel();
    std::uint16_t port = 0;
    // An address is read by the allowed-senders list's strict rule, never by the system's lenient
    // one, which takes "010.0.0.1" for 8.0.0.1 and "10.1" for 10.0.0.1. Any other text is a host
    // name, looked up by the system.
    const bool isAddress = LooksLikeAddress(address);
    std::uint32_t dotted = 0;
    if (!CAsyncSocket::InitSocketLayer())
        error = WSANOTINITIALISED;
    // No computer listens outside the port range: a failure of its own, never a wrapped port.
    else if (!PortFromText(portText, port))
        error = WSAEADDRNOTAVAIL;
    // A malformed address fails as a name that cannot be found always has.
    else if (isAddress && !ParseDottedAddress(address, dotted))
        error = WSAEINVAL;
    else if (!Create(0, FD_CONNECT) || !SetTimeout(kConnectLimitMs))
        error = ::WSAGetLastError();
    else {
        m_wire = wire;
        m_port = port;
        in_addr target = {};
        target.s_addr = ::htonl(dotted);
        if (isAddress ? Connect(target, port) : CHostLookup::Start(address.c_str()))
            return true;
        error = ::WSAGetLastError();
    }
    Cancel();
    return false;
}

void CRemoteSend::Cancel()
{
    CHostLookup::Cancel();
    Close();
}

void CRemoteSend::OnLookupDone(int error, const in_addr& address)
{
    // A name that cannot be resolved fails as it always has, with WSAEINVAL.
    if (error != 0)
        End(WSAEINVAL);
    else if (!Connect(address, m_port))
        End(::WSAGetLastError());
}

void CRemoteSend::OnConnect(int error)
{
    // Whether the text arrived is not looked at: a computer that accepted the connection counts
    // as reached. A few bytes always fit the new connection's send buffer.
    if (error == 0)
        Send(m_wire.data(), static_cast<int>(m_wire.size()));
    End(error);
}

void CRemoteSend::OnTimeout()
{
    End(WSAETIMEDOUT);
}

void CRemoteSend::End(int error)
{
    Cancel();
    m_target.OnRemoteSendEnded(error);
}

std::string ConnectFailureMessage(const std::string& address, const std::string& port, int error)
{
    std::string message = "Could not Connect to IP Address " + address + " at Port " + port
        + ".\nPlease Make Sure that the IP Address & Port Numbers are Correct & Dusklamp is running on the IP "
          "Address with Port Number Provided.\nLast Error : ";
    char* text = nullptr;
    const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM;
    if (::FormatMessageA(flags, nullptr, static_cast<DWORD>(error), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                         reinterpret_cast<char*>(&text), 0, nullptr)
        && text)
        message += text;
    if (text)
        ::LocalFree(text);
    return message;
}

std::string LocalIpAddress()
{
    // The adapters' own list: unlike a look-up of the host's name, it never answers with the
    // loopback address some systems map their name to.
    ULONG size = 0;
    if (::GetAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW || size == 0)
        return std::string();
    std::vector<unsigned char> buffer(size);
    auto* adapters = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data());
    if (::GetAdaptersInfo(adapters, &size) != NO_ERROR)
        return std::string();
    for (const IP_ADAPTER_INFO* adapter = adapters; adapter; adapter = adapter->Next) {
        for (const IP_ADDR_STRING* entry = &adapter->IpAddressList; entry; entry = entry->Next) {
            const std::string address = entry->IpAddress.String;
            if (!address.empty() && address != "0.0.0.0" && address.compare(0, 4, "127.") != 0)
                return address;
        }
    }
    return std::string();
}
