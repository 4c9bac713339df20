// The commands log's record layout.
#include "net/CommandLog.h"

std::string FormatCommandLogRecord(std::string_view timeText, std::string_view address, std::string_view port,
                                   std::string_view label)
{
    std::string record;
    record.reserve(timeText.size() + address.size() + port.size() + label.size() + 5);
    record.append(timeText).append(1, ',').append(address).append(1, ',').append(port).append(1, ',').append(label);
    record += "\r\n";
    return record;
}
