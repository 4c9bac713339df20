// The sending side of a remote command, its failure message, and this computer's own address.
#include "net/Sender.h"

#include "framework/Socket.h"

#include <iphlpapi.h>

#include <cstring>
#include <vector>

#include "net/PortText.h"

bool SendRemoteCommand(const std::string& address, const std::string& portText, const char* wire, int& error)
{
    if (!CAsyncSocket::InitSocketLayer()) {
        error = WSANOTINITIALISED;
        return false;
    }
    // Blocking: while the system's own connection time-out runs, the dialog still repaints.
    CSocket socket;
    if (!socket.Create() || !socket.Connect(address.c_str(), PortFromText(portText))) {
        error = ::WSAGetLastError();
        return false;
    }
    // Whether the text arrived is not looked at: a computer that accepted the connection counts as reached.
    socket.Send(wire, static_cast<int>(std::strlen(wire)));
    socket.Close();
    return true;
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
