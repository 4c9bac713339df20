// libFuzzer target: the computer list reader must end, keep its limits and give what the writer reads back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "net/ComputerList.h"

namespace {

bool IsListSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<ComputerEntry> entries = ParseComputerList(bytes);

    // Every record uses at least one comma, so a file cannot yield more entries than it has commas.
    std::size_t commas = 0;
    for (char c : bytes)
        commas += c == ',';
    Check(entries.size() <= commas);

    for (const ComputerEntry& entry : entries) {
        Check(!entry.address.empty() && entry.address.size() <= kMaxAddressChars);
        Check(!entry.port.empty() && entry.port.size() <= kMaxPortChars);
        Check(entry.address.find(',') == std::string::npos);
        for (char c : entry.port)
            Check(!IsListSpace(c));
        Check(!IsListSpace(entry.address[0]));
    }

    // What the dialog writes back must read as the same list, and writing it again gives the same bytes.
    const std::string written = FormatComputerList(entries);
    const std::vector<ComputerEntry> reread = ParseComputerList(written);
    Check(reread.size() == entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
        Check(reread[i].address == entries[i].address && reread[i].port == entries[i].port);
    Check(FormatComputerList(reread) == written);
    return 0;
}
