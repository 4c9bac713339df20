// Dialog placement: centring with the result kept on the owner's monitor.
#include "framework/Placement.h"

namespace {

int Clamp(int origin, int size, int low, int high)
{
    if (origin + size > high)
        origin = high - size;
    if (origin < low)
        origin = low;
    return origin;
}

}  // namespace

ScreenPoint CenteredOrigin(int width, int height, const ScreenRect& area, const ScreenRect& workArea)
{
    const int x = area.left + (area.right - area.left - width) / 2;
    const int y = area.top + (area.bottom - area.top - height) / 2;
    return {Clamp(x, width, workArea.left, workArea.right), Clamp(y, height, workArea.top, workArea.bottom)};
}
