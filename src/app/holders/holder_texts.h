// Texts of the card holders' flow that carry numbers: the table's entries
// hold a capital letter standing alone ("On the list: N  Issued: I  Waiting:
// W") where a number goes, so that each reads as one sentence in either
// language.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace tollvane {

// Puts each number where its letter stands alone (not inside a word).
std::string FillNumbers(std::string_view text,
                        std::initializer_list<std::pair<char, std::size_t>> numbers);

// Puts the values, in order, where the text has "%s".
std::string FillTexts(std::string_view text, std::initializer_list<std::string_view> values);

}  // namespace tollvane
