// The current local time as the user's short date and time text.
#pragma once

#include <string>

// Whole seconds, in the user's short date and time formats (no time part at exactly midnight).
std::string LocalTimeText();
