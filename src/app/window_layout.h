// Where a window goes on the screen and in which order the keyboard visits
// its controls: plain geometry, so that the rules can be checked without a
// display.
#pragma once

#include <vector>

namespace tollvane {

// A rectangle in pixels: left and top inside, right and bottom outside.
struct PixelRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const PixelRect&) const = default;
};

// The window rectangle that lies inside the work area (the monitor without
// its task bar), starting from where the window would go. A window that
// fits keeps its place if it lies inside already and is otherwise moved in
// as little as it takes. One taller or wider than the work area is cut to
// it, so that its caption, system menu and close box stay on the screen;
// cut tells that the height was cut (the main window's form then scrolls).
struct Placement {
    PixelRect window;
    bool cut = false;
};
Placement PlaceInWorkArea(const PixelRect& wanted, const PixelRect& work);

// One child of a window as the keyboard sees it, in creation order.
struct KeyboardControl {
    enum Kind { Passive, Focusable, Radio, GroupBox };
    Kind kind = Passive;
    PixelRect rect;            // in the window's client area
    bool usable = false;       // shown and enabled (a group box: shown)
    bool checked = false;      // a radio
    bool startsGroup = false;  // WS_GROUP: a new group of radios begins here
};

// The controls that Tab visits, as indices into controls, in reading order:
// the group boxes from top to bottom and left to right, each control with
// the innermost shown box that holds it (those in none come first), and
// within a box by rows, top to bottom, each row left to right. A group of
// radios is one stop, taken where its first usable radio stands; the stop
// is its checked radio, or that first one.
std::vector<int> TabStops(const std::vector<KeyboardControl>& controls);

// The usable radios of the group of controls[radio], in reading order.
std::vector<int> RadioGroupOf(const std::vector<KeyboardControl>& controls, int radio);

}  // namespace tollvane
