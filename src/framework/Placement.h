// Where a dialog goes on the screen. No Windows headers here.
#pragma once

struct ScreenRect {
    int left;
    int top;
    int right;
    int bottom;
};

struct ScreenPoint {
    int x;
    int y;
};

// Centred on the area, then moved inside the work area of the monitor that shows it; a window
// larger than the work area keeps its top left corner visible.
ScreenPoint CenteredOrigin(int width, int height, const ScreenRect& area, const ScreenRect& workArea);
