// libFuzzer target: the computer list reader must end, keep its limits and give what the writer reads back.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "net/ComputerList.h"

#define CHECK(condition) ((condition) ? void() : std::abort())

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<ComputerEntry> entries = ParseComputerList(bytes);

    // Every record uses at least one comma, so a file cannot yield more entries than it has commas.
    CHECK(entries.size() <= static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), ',')));

    for (const ComputerEntry& entry : entries) {
        CHECK(!entry.address.empty() && entry.address.size() <= kMaxAddressChars);
        CHECK(!entry.port.empty() && entry.port.size() <= kMaxPortChars);
        CHECK(entry.address.find(',') == std::string::npos && entry.port.find_first_of(" \t\r\n") == std::string::npos);
        CHECK(std::string_view(" \t\r\n").find(entry.address[0]) == std::string_view::npos);
    }

    // What the dialog writes back must read as the same list, and writing it again gives the same bytes.
    const std::string written = FormatComputerList(entries);
    const std::vector<ComputerEntry> reread = ParseComputerList(written);
    CHECK(reread.size() == entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
        CHECK(reread[i].address == entries[i].address && reread[i].port == entries[i].port);
    CHECK(FormatComputerList(reread) == written);
    return 0;
}
