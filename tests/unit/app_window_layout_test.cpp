// Where a window goes in the work area, and the order Tab and the arrow
// keys take through a window's controls.
#include <gtest/gtest.h>

#include "app/window_layout.h"

namespace tollvane {
namespace {

TEST(PlaceInWorkAreaTest, KeepsAFittingWindowAndCutsATallOneAtTheTop) {
    const struct {
        const char* name;
        PixelRect wanted, work, placed;
        bool cut;
    } cases[] = {
        {"665 x 830 on 1280 x 1000",
         {307, 85, 972, 915},
         {0, 0, 1280, 1000},
         {307, 85, 972, 915},
         false},
        {"caption at y = -31", {350, -31, 1015, 799}, {0, 0, 1366, 768}, {350, 0, 1015, 768}, true},
        {"150 %, task bar below",
         {461, -82, 1459, 1163},
         {0, 0, 1920, 1040},
         {461, 0, 1459, 1040},
         true},
        {"moved up, not cut", {307, 25, 972, 775}, {0, 0, 1280, 760}, {307, 10, 972, 760}, false},
        {"task bar on top", {307, 10, 972, 760}, {0, 40, 1280, 800}, {307, 40, 972, 790}, false},
        {"too wide: close box kept",
         {-25, 0, 1305, 900},
         {0, 0, 1280, 1000},
         {0, 0, 1280, 900},
         false},
        {"second monitor",
         {2200, 100, 2865, 930},
         {1920, 0, 3840, 1040},
         {2200, 100, 2865, 930},
         false},
    };
    for (const auto& c : cases) {
        const Placement p = PlaceInWorkArea(c.wanted, c.work);
        EXPECT_EQ(p.window, c.placed) << c.name;
        EXPECT_EQ(p.cut, c.cut) << c.name;
    }
}

using K = KeyboardControl;

// Two group boxes side by side: the left one with a radio group and a label beside a field a few
// pixels lower, the right one with a nested box; a disabled control and one outside every box.
TEST(TabStopsTest, GoesByBoxThenRowsAndStopsOnceInARadioGroup) {
    const std::vector<K> controls = {
        // two a line: 0 and 1, 2 and 3, ...
        {K::GroupBox, {300, 0, 600, 200}, true, false, true},
        {K::GroupBox, {320, 40, 580, 180}, true, false, true},
        {K::Focusable, {340, 60, 440, 80}, true},
        {K::GroupBox, {0, 0, 290, 200}, true, false, true},
        {K::Radio, {10, 20, 100, 40}, true, false},
        {K::Radio, {10, 50, 100, 70}, true, true},
        {K::Radio, {150, 20, 250, 40}, true, false},
        {K::Passive, {10, 100, 60, 115}, true},
        {K::Focusable, {150, 103, 250, 126}, true},
        {K::Focusable, {70, 98, 140, 121}, true},
        {K::Focusable, {10, 150, 100, 170}, false},
        {K::Focusable, {320, 10, 400, 30}, true},
        {K::Focusable, {700, 10, 800, 30}, true},
    };
    // Outside every box first, then the left box (its radios one stop, on the checked one; the
    // field row by x), then the right box and the box inside it.
    EXPECT_EQ(TabStops(controls), (std::vector<int>{12, 5, 9, 8, 11, 2}));
    EXPECT_EQ(RadioGroupOf(controls, 5), (std::vector<int>{4, 6, 5}));
    EXPECT_TRUE(RadioGroupOf(controls, 8).empty());
}

}  // namespace
}  // namespace tollvane
