// The commands log's record layout.
#include "net/CommandLog.h"

#include <vector>

namespace {

// "Refused", "Silent", or either with a count: the last field of a record about peers.
bool IsPeerRecord(std::string_view record)
{
    const std::string_view::size_type comma = record.rfind(',');
    if (comma == std::string_view::npos)
        return false;
    std::string_view what = record.substr(comma + 1);
    const std::string_view::size_type blank = what.find(' ');
    if (blank != std::string_view::npos) {
        const std::string_view count = what.substr(blank + 1);
        if (count.empty() || count.find_first_not_of("0123456789") != std::string_view::npos)
            return false;
        what = what.substr(0, blank);
    }
    return what == kReceivedRefused || what == kReceivedSilent;
}

}  // namespace

std::string FormatCommandLogRecord(std::string_view timeText, std::string_view address, std::string_view port,
                                   std::string_view label)
{
    std::string record;
    record.reserve(timeText.size() + address.size() + port.size() + label.size() + 5);
    record.append(timeText).append(1, ',').append(address).append(1, ',').append(port).append(1, ',').append(label);
    record += "\r\n";
    return record;
}

std::string CommandRecordsOf(std::string_view log, std::size_t maxBytes)
{
    std::vector<std::string_view> kept;
    std::size_t size = 0;
    // From the end: the newest are the ones kept when not all fit.
    while (!log.empty()) {
        if (log.back() == '\n')
            log.remove_suffix(1);
        const std::string_view::size_type start = log.rfind('\n');
        std::string_view record = log.substr(start == std::string_view::npos ? 0 : start + 1);
        log.remove_suffix(record.size());
        if (!record.empty() && record.back() == '\r')
            record.remove_suffix(1);
        if (record.empty() || IsPeerRecord(record))
            continue;
        if (size + record.size() + 2 > maxBytes)
            break;
        size += record.size() + 2;
        kept.push_back(record);
    }
    std::string text;
    text.reserve(size);
    for (auto record = kept.rbegin(); record != kept.rend(); ++record)
        text.append(*record).append("\r\n");
    return text;
}
