// Sending one remote command: connect, send the wire text, close without reading.
#pragma once

#include <string>

// False when the computer could not be reached, with the socket layer's error code. The socket
// layer is started here when nothing has started it yet, so that sending works as soon as the
// user allows it; a failure to start it counts as a failed connection.
bool SendRemoteCommand(const std::string& address, const std::string& portText, const char* wire, int& error);

// The message for a computer that could not be reached, ending in the system's text for the error.
std::string ConnectFailureMessage(const std::string& address, const std::string& port, int error);

// An IPv4 address of this computer other than loopback, as dotted text; empty when there is none.
std::string LocalIpAddress();
