#include "register/register_browser.h"

#include <algorithm>
#include <vector>

namespace tollvane {

namespace {

// Large blocks keep the number of reads of a network file small.
constexpr std::size_t kBlockSize = 1 << 20;
// The list asks for the cells of the rows on screen; a few hundred rows cover
// any screen with room to scroll.
constexpr std::size_t kCacheRows = 512;

}  // namespace

std::string SpreadsheetSafeLine(std::string_view line) {
    RegisterRow row;
    SplitRegisterLine(line, row);
    bool risky = false;
    for (std::string& cell : row) {
        std::string safe = SpreadsheetSafe(cell);
        risky = risky || safe.size() != cell.size();
        cell = std::move(safe);
    }
    if (!risky) return std::string(line);
    std::string text = FormatRegisterLine(row);
    text.resize(text.size() - 2);  // the caller ends the line
    return text;
}

bool RegisterBrowser::ReadFrom(std::uint64_t offset, std::uint64_t size) {
    std::vector<char> block(kBlockSize);
    while (offset < size) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(kBlockSize, size - offset));
        std::size_t got = 0;
        if (!source_.ReadAt(offset, block.data(), want, got)) return false;
        if (got == 0) break;
        view_.Feed(block.data(), got);
        offset += got;
    }
    return true;
}

bool RegisterBrowser::Load() {
    view_ = RegisterView(filter_);
    cache_.clear();
    std::uint64_t size = 0;
    if (!source_.Size(size)) return false;
    return ReadFrom(0, size);
}

bool RegisterBrowser::Refresh(bool& changed) {
    changed = false;
    std::uint64_t size = 0;
    if (!source_.Size(size)) return false;
    const std::size_t before = view_.Rows().size();
    if (size < view_.Fed()) {
        changed = true;
        return Load();
    }
    // Rows of the list are counted from the newest: new rows move them all.
    const bool ok = ReadFrom(view_.Fed(), size);
    changed = view_.Rows().size() != before;
    if (changed) cache_.clear();
    return ok;
}

bool RegisterBrowser::SetFilter(const std::string& filter) {
    filter_ = filter;
    return Load();
}

bool RegisterBrowser::RowText(const RegisterRowRef& ref, std::string& text) {
    text.assign(ref.Length(), '\0');
    std::size_t got = 0;
    if (!source_.ReadAt(ref.Offset(), text.data(), text.size(), got)) return false;
    text.resize(got);
    return true;
}

const RegisterRow& RegisterBrowser::RowAt(std::size_t index) {
    const std::vector<RegisterRowRef>& rows = view_.Rows();
    if (index >= rows.size()) return empty_;
    const auto hit = cache_.find(index);
    if (hit != cache_.end()) return hit->second;
    if (cache_.size() >= kCacheRows) cache_.clear();
    RegisterRow& row = cache_[index];
    std::string text;
    if (RowText(rows[rows.size() - 1 - index], text)) SplitRegisterLine(text, row);
    return row;
}

std::string RegisterBrowser::CopyText(const std::vector<std::size_t>& indices) {
    std::vector<RegisterRow> rows;
    rows.reserve(indices.size());
    for (std::size_t i : indices) rows.push_back(RowAt(i));
    return RegisterRowsAsTabText(rows);
}

}  // namespace tollvane
