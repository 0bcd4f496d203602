// What the "Issued cards" window shows, apart from the window itself: the
// register's rows that match the filter, newest first, fetched from the file
// as the list asks for them, kept up to date while another station (or this
// one) appends, copied and exported.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "register/register_reader.h"

namespace tollvane {

// A register line with every cell that a spreadsheet would run as a formula
// made safe (SpreadsheetSafe); a line without one comes back as it is.
std::string SpreadsheetSafeLine(std::string_view line);

class RegisterBrowser {
public:
    explicit RegisterBrowser(RegisterSource& source) : source_(source) {}

    // Reads the whole file with the current filter. False when it cannot be
    // read; the rows read before the failure stay.
    bool Load();
    // Reads what was appended since the last look; starts over when the file
    // became shorter (it was replaced). False on a read error. changed tells
    // whether the rows shown are others now.
    bool Refresh(bool& changed);
    // A new filter reads the file again.
    bool SetFilter(const std::string& filter);

    std::size_t RowCount() const { return view_.Rows().size(); }
    std::size_t SuccessfulUserWrites() const { return view_.SuccessfulUserWrites(); }

    // Row at a place in the list, newest first. A row that cannot be read is
    // shown empty.
    const RegisterRow& RowAt(std::size_t index);

    // The rows at these places of the list, tab-separated for the clipboard.
    std::string CopyText(const std::vector<std::size_t>& indices);

    // The rows shown, oldest first, as a register file of their own: mark,
    // header and the rows' lines as they are in the register, except that a
    // cell a spreadsheet would run as a formula is made safe
    // (SpreadsheetSafeLine). Each piece goes to write; false when a read or
    // write fails.
    template <typename Write>
    bool Export(Write&& write);

private:
    bool ReadFrom(std::uint64_t offset, std::uint64_t size);
    bool RowText(const RegisterRowRef& ref, std::string& text);

    RegisterSource& source_;
    std::string filter_;
    RegisterView view_;
    std::unordered_map<std::size_t, RegisterRow> cache_;
    RegisterRow empty_;
};

template <typename Write>
bool RegisterBrowser::Export(Write&& write) {
    if (!write(RegisterFileStart())) return false;
    std::string text;
    for (const RegisterRowRef& ref : view_.Rows()) {
        if (!RowText(ref, text)) return false;
        text = SpreadsheetSafeLine(text);
        text += "\r\n";
        if (!write(std::string_view(text))) return false;
    }
    return true;
}

}  // namespace tollvane
