// Reading and writing the computer list file.
#include "net/ComputerList.h"

namespace {

bool IsListSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::size_t SkipSpace(std::string_view bytes, std::size_t pos)
{
    while (pos < bytes.size() && IsListSpace(bytes[pos]))
        ++pos;
    return pos;
}

}  // namespace

std::vector<ComputerEntry> ParseComputerList(std::string_view bytes)
{
    std::vector<ComputerEntry> entries;
    // Blank lines before the first record are skipped like those between records, so no address
    // starts with white space.
    std::size_t pos = SkipSpace(bytes, 0);
    while (pos < bytes.size()) {
        // The address runs to the next comma, line ends included: a line without a comma is not a
        // record of its own but the front of the next line's address, which is how files have always read.
        const std::size_t comma = bytes.find(',', pos);
        if (comma == std::string_view::npos)
            break;  // a trailing address without a comma has no port to go with it
        const std::string_view address = bytes.substr(pos, comma - pos);

        // Blank lines and any line-end convention vanish here, because the port starts after white space.
        const std::size_t portStart = SkipSpace(bytes, comma + 1);
        std::size_t portEnd = portStart;
        while (portEnd < bytes.size() && !IsListSpace(bytes[portEnd]))
            ++portEnd;
        const std::string_view port = bytes.substr(portStart, portEnd - portStart);
        // Every pass moves past at least the comma, so the reader always ends.
        pos = SkipSpace(bytes, portEnd);

        // A record without an address, or an address whose port is missing at the end of the file,
        // is dropped rather than given a port nobody wrote.
        if (address.empty() || port.empty())
            continue;
        // The rest of an over-long field is dropped with it, never carried into the next field.
        entries.push_back({std::string(address.substr(0, kMaxAddressChars)), std::string(port.substr(0, kMaxPortChars))});
    }
    return entries;
}

std::string FormatComputerList(const std::vector<ComputerEntry>& entries)
{
    std::string bytes;
    for (const ComputerEntry& entry : entries) {
        bytes += entry.address;
        bytes += ',';
        bytes += entry.port;
        bytes += "\r\n";
    }
    return bytes;
}
