// The commands log's date and time on Linux, where there is no OLE Automation date conversion.
#include "framework/LocalTime.h"

#include <clocale>
#include <ctime>

std::string LocalTimeText()
{
    // The locale's own short date and time, "%x %X", stand in for the user's short date and time
    // formats of Windows; unlike there, midnight keeps its time part.
    static const bool localeTaken = std::setlocale(LC_TIME, "") != nullptr;
    (void)localeTaken;
    const std::time_t now = std::time(nullptr);
    std::tm local = {};
    if (!::localtime_r(&now, &local))
        return std::string();
    char text[128] = "";
    const std::size_t size = std::strftime(text, sizeof(text), "%x %X", &local);
    return std::string(text, size);
}
