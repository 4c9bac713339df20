// One record of the commands log "CommandsLog.csv", and of the log of received commands in the
// same layout. No Windows headers here.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// What the log of received commands says instead of a command's label or switch: a sender outside
// the allowed list, and a peer that sent nothing within the time allowed. A record may stand for
// several such connections from its address, and then says how many: "Refused 912".
inline constexpr char kReceivedRefused[] = "Refused";
inline constexpr char kReceivedSilent[] = "Silent";

// "time,address,port,label" and CR LF. The fields go in unquoted, as the log has always been written.
std::string FormatCommandLogRecord(std::string_view timeText, std::string_view address, std::string_view port,
                                   std::string_view label);


// The records of a received log that tell of commands, not of refused or silent peers: the newest
// of them that fit in maxBytes, whole and in their order, each ending in CR LF. What a log keeps
// when it starts afresh, so that no flood of strangers can push a command out of it.
std::string CommandRecordsOf(std::string_view log, std::size_t maxBytes);
