// libFuzzer target: the allowed-senders reader must end, name a real entry when it refuses, and
// store a list that reads back as the same list letting in the same computers.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "net/AllowedSenders.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CAllowedSenders senders;
    std::string bad;
    if (!senders.Parse(text, bad)) {
        Check(!bad.empty() && text.find(bad) != std::string_view::npos);
        Check(bad.find_first_of(" ,\t\r\n") == std::string::npos);
        Check(senders.Ranges().empty() && senders.Allows(0));
        return 0;
    }
    for (const SenderRange& range : senders.Ranges()) {
        Check(range.prefix <= 32);
        Check(range.prefix == 32 || (range.network & (0xFFFFFFFFu >> range.prefix)) == 0);
        Check(senders.Allows(range.network));
    }

    const std::string stored = senders.Text();
    CAllowedSenders reread;
    Check(reread.Parse(stored, bad) && reread.Text() == stored);
    Check(reread.Ranges().size() == senders.Ranges().size());
    // The input's own bytes, taken four at a time, as addresses that may or may not be let in.
    for (std::size_t at = 0; at + 4 <= size; at += 4) {
        std::uint32_t address = 0;
        std::memcpy(&address, data + at, 4);
        Check(senders.Allows(address) == reread.Allows(address));
        Check(senders.Allows(address) == IsSenderAllowed(stored, address));
    }
    return 0;
}
