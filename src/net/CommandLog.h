// One record of the commands log "CommandsLog.csv", and of the log of received commands in the
// same layout. No Windows headers here.
#pragma once

#include <string>
#include <string_view>

// "time,address,port,label" and CR LF. The fields go in unquoted, as the log has always been written.
std::string FormatCommandLogRecord(std::string_view timeText, std::string_view address, std::string_view port,
                                   std::string_view label);

