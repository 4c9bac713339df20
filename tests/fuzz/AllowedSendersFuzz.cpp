// libFuzzer target: the allowed-senders reader must end, name a real entry when it refuses, and
// store a list that reads back as the same list letting in the same computers; the stored value
// lets in exactly what its entries cover, and one without an entry nobody unless it is empty.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "net/AllowedSenders.h"

#define CHECK(condition) ((condition) ? void() : std::abort())

namespace {

bool Covers(const CAllowedSenders& senders, std::uint32_t address)
{
    for (const SenderRange& range : senders.Ranges()) {
        if (range.prefix == 0 || (address ^ range.network) >> (32 - range.prefix) == 0)
            return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CAllowedSenders senders;
    std::string bad;
    if (!senders.Parse(text, bad)) {
        CHECK(!bad.empty() && text.find(bad) != std::string_view::npos);
        CHECK(bad.find_first_of(" ,\t\r\n") == std::string::npos && senders.Ranges().empty());
        CHECK(!IsSenderAllowed(text, 0) && !IsSenderAllowed(text, 0xFFFFFFFF));
        return 0;
    }
    for (const SenderRange& range : senders.Ranges()) {
        CHECK(range.prefix <= 32 && (range.prefix == 32 || (range.network & (0xFFFFFFFFu >> range.prefix)) == 0));
        CHECK(range.prefix > 0 || range.network == 0);
        CHECK(senders.Allows(range.network));
    }
    const std::string stored = senders.Text();
    CAllowedSenders reread;
    CHECK(reread.Parse(stored, bad) && reread.Text() == stored && reread.Ranges().size() == senders.Ranges().size());
    // The input's own bytes, four at a time, as addresses that may or may not be let in; and around them.
    for (std::size_t at = 0; at + 4 <= size; at += 4) {
        std::uint32_t address = 0;
        std::memcpy(&address, data + at, 4);
        for (const std::uint32_t near : {address - 1, address, address + 1}) {
            const bool covered = Covers(senders, near);
            CHECK(senders.Allows(near) == (covered || senders.Ranges().empty()));
            CHECK(reread.Allows(near) == senders.Allows(near));
            CHECK(IsSenderAllowed(stored, near) == senders.Allows(near));
            CHECK(IsSenderAllowed(text, near) == (covered || text.empty()));
        }
    }
    return 0;
}
