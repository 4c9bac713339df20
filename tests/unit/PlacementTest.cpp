// Dialog placement: centred on the owner, yet always on the owner's monitor.
#include <gtest/gtest.h>

#include "framework/Placement.h"

namespace {

struct Case { const char* name; ScreenRect area, work; ScreenPoint expected; };

// A 200 x 100 dialog in every case.
const Case kCases[] = {
    {"centred on an owner well inside the work area", {100, 100, 500, 300}, {0, 0, 1024, 740}, {200, 150}},
    {"owner half off the left edge of the primary", {-300, 10, 100, 110}, {0, 0, 1024, 740}, {0, 10}},
    {"owner at the bottom right corner", {900, 700, 1024, 768}, {0, 0, 1024, 740}, {824, 640}},
    // A second monitor left of and above the primary has negative coordinates: clamping to 0
    // would throw the dialog onto the other monitor.
    {"monitor left of the primary", {-1280, 200, -1000, 400}, {-1280, 0, 0, 1000}, {-1240, 250}},
    {"owner on the left monitor's left edge", {-1400, 0, -1200, 100}, {-1280, -200, 0, 800}, {-1280, 0}},
    {"monitor above the primary", {0, -900, 400, -700}, {0, -1024, 1280, 0}, {100, -850}},
    {"dialog larger than the work area keeps its top left visible", {0, 0, 100, 50}, {0, 0, 150, 80}, {0, 0}},
};

TEST(Placement, CentresOnTheOwnerInsideItsMonitorsWorkArea)
{
    for (const Case& c : kCases) {
        const ScreenPoint origin = CenteredOrigin(200, 100, c.area, c.work);
        EXPECT_EQ(origin.x, c.expected.x) << c.name;
        EXPECT_EQ(origin.y, c.expected.y) << c.name;
    }
}

}  // namespace
