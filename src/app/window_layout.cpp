#include "app/window_layout.h"

#include <algorithm>
#include <map>

namespace tollvane {

namespace {

// Moves [start, start + length) inside [low, high): to low when it is too
// long.
int Inside(int start, int length, int low, int high) {
    if (length >= high - low) return low;
    return std::clamp(start, low, high - length);
}

bool Holds(const PixelRect& box, const PixelRect& r) {
    const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
    return x >= box.left && x < box.right && y >= box.top && y < box.bottom;
}

// The radio group of each control (-1 for none): radios between two
// controls that start a group share one.
std::vector<int> RadioGroups(const std::vector<KeyboardControl>& controls) {
    std::vector<int> group(controls.size(), -1);
    int current = 0;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if (controls[i].startsGroup) ++current;
        if (controls[i].kind == KeyboardControl::Radio) group[i] = current;
    }
    return group;
}

// Sorts indices into rows, top to bottom, each row left to right. A control
// belongs to the row of the first control above it when its top edge lies
// in that control's upper half: a label and its field a few pixels apart
// share a row.
void SortInRows(const std::vector<KeyboardControl>& controls, std::vector<int>& indices) {
    std::stable_sort(indices.begin(), indices.end(),
                     [&](int a, int b) { return controls[a].rect.top < controls[b].rect.top; });
    std::vector<int> row(indices.size());
    for (std::size_t i = 0, start = 0; i < indices.size(); ++i) {
        const PixelRect& first = controls[indices[start]].rect;
        if (controls[indices[i]].rect.top >= first.top + std::max(1, first.Height() / 2)) start = i;
        row[i] = static_cast<int>(start);
    }
    std::vector<std::pair<int, int>> keyed;  // (row, index)
    for (std::size_t i = 0; i < indices.size(); ++i) keyed.emplace_back(row[i], indices[i]);
    std::stable_sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) {
        return a.first != b.first ? a.first < b.first
                                  : controls[a.second].rect.left < controls[b.second].rect.left;
    });
    for (std::size_t i = 0; i < keyed.size(); ++i) indices[i] = keyed[i].second;
}

// Every usable focusable control and radio in reading order.
std::vector<int> ReadingOrder(const std::vector<KeyboardControl>& controls) {
    std::vector<int> boxes;
    for (std::size_t i = 0; i < controls.size(); ++i)
        if (controls[i].kind == KeyboardControl::GroupBox && controls[i].usable)
            boxes.push_back(static_cast<int>(i));
    std::stable_sort(boxes.begin(), boxes.end(), [&](int a, int b) {
        const PixelRect &ra = controls[a].rect, &rb = controls[b].rect;
        return ra.top != rb.top ? ra.top < rb.top : ra.left < rb.left;
    });
    // Index 0 is no box at all.
    std::vector<std::vector<int>> byBox(boxes.size() + 1);
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const KeyboardControl& c = controls[i];
        if (!c.usable || (c.kind != KeyboardControl::Focusable && c.kind != KeyboardControl::Radio))
            continue;
        std::size_t slot = 0;
        long long smallest = -1;
        for (std::size_t b = 0; b < boxes.size(); ++b) {
            const PixelRect& box = controls[boxes[b]].rect;
            const long long area = static_cast<long long>(box.Width()) * box.Height();
            if (Holds(box, c.rect) && (smallest < 0 || area < smallest)) {
                smallest = area;
                slot = b + 1;
            }
        }
        byBox[slot].push_back(static_cast<int>(i));
    }
    std::vector<int> order;
    for (std::vector<int>& members : byBox) {
        SortInRows(controls, members);
        order.insert(order.end(), members.begin(), members.end());
    }
    return order;
}

}  // namespace

Placement PlaceInWorkArea(const PixelRect& wanted, const PixelRect& work) {
    Placement placed;
    const int width = std::min(wanted.Width(), work.Width());
    const int height = std::min(wanted.Height(), work.Height());
    placed.cut = height < wanted.Height();
    const int left = Inside(wanted.left, width, work.left, work.right);
    const int top = Inside(wanted.top, height, work.top, work.bottom);
    placed.window = {left, top, left + width, top + height};
    return placed;
}

std::vector<int> TabStops(const std::vector<KeyboardControl>& controls) {
    const std::vector<int> group = RadioGroups(controls);
    std::vector<int> stops;
    std::map<int, std::size_t> stopOfGroup;
    for (int i : ReadingOrder(controls)) {
        if (group[i] < 0) {
            stops.push_back(i);
            continue;
        }
        const auto [at, first] = stopOfGroup.emplace(group[i], stops.size());
        if (first)
            stops.push_back(i);
        else if (controls[i].checked && !controls[stops[at->second]].checked)
            stops[at->second] = i;
    }
    return stops;
}

std::vector<int> RadioGroupOf(const std::vector<KeyboardControl>& controls, int radio) {
    const std::vector<int> group = RadioGroups(controls);
    std::vector<int> members;
    if (radio < 0 || radio >= static_cast<int>(controls.size()) || group[radio] < 0) return members;
    for (int i : ReadingOrder(controls))
        if (group[i] == group[radio]) members.push_back(i);
    return members;
}

}  // namespace tollvane
