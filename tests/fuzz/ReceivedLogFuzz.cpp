// libFuzzer target: what the received log keeps of its older file must end, fit its limit, be made of
// the older file's own records, and keep the newest of them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "net/CommandLog.h"

#define CHECK(condition) ((condition) ? void() : std::abort())

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    // The first two bytes choose the limit.
    const std::size_t limit = data[0] | (data[1] << 8);
    const std::string log(reinterpret_cast<const char*>(data) + 2, size - 2);
    const std::string kept = CommandRecordsOf(log, limit);
    const std::string all = CommandRecordsOf(log, SIZE_MAX);

    CHECK(kept.size() <= limit);
    CHECK(kept.empty() || kept.compare(kept.size() - 2, 2, "\r\n") == 0);
    // The newest records are the ones that stay.
    CHECK(all.size() >= kept.size() && all.compare(all.size() - kept.size(), kept.size(), kept) == 0);
    // Every record kept is one of the log's lines.
    for (std::size_t start = 0; start < kept.size();) {
        const std::size_t end = kept.find("\r\n", start);
        CHECK(end != std::string::npos);
        const std::string_view record(kept.data() + start, end - start);
        CHECK(!record.empty() && record.find('\n') == std::string_view::npos);
        CHECK(log.find(record) != std::string::npos);
        start = end + 2;
    }
    // What is kept keeps all of itself.
    CHECK(CommandRecordsOf(kept, kept.size()) == kept);
    return 0;
}
