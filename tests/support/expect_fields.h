// EXPECT_FIELDS((a, b.c, f(x)), (1, 2, "three")) compares each value with its expectation and names
// every one that differs by the expression that gave it ("b.c is 5, expected 2"), so that a failure
// says which field broke without a tuple of values to count through.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace tollvane::testing {

// The top-level expressions of "(a, f(b, c), \"d,e\")": split at the commas outside brackets and
// literals.
inline std::vector<std::string> FieldNames(const char* list) {
    std::vector<std::string> names(1);
    int depth = 0;
    char quote = 0;
    for (const char* p = list; *p; ++p) {
        const char c = *p;
        if (quote) {
            if (c == '\\' && p[1])
                names.back() += *p++;
            else if (c == quote)
                quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '(' || c == '[' || c == '{') {
            if (depth++ == 0) continue;
        } else if (c == ')' || c == ']' || c == '}') {
            if (--depth == 0) continue;
        } else if (c == ',' && depth == 1) {
            names.emplace_back();
            continue;
        }
        names.back() += c;
    }
    for (std::string& name : names) name.erase(0, name.find_first_not_of(' '));
    return names;
}

template <typename... A, typename... E>
::testing::AssertionResult FieldsEqual(const char* names, const std::tuple<A...>& actual,
                                       const std::tuple<E...>& expected) {
    static_assert(sizeof...(A) == sizeof...(E), "as many expectations as fields");
    const std::vector<std::string> name = FieldNames(names);
    std::string differs;
    const auto compare = [&](std::size_t i, const auto& a, const auto& e) {
        if (a == e) return;
        differs += "\n  " + (i < name.size() ? name[i] : std::to_string(i)) + " is " +
                   ::testing::PrintToString(a) + ", expected " + ::testing::PrintToString(e);
    };
    [&]<std::size_t... I>(std::index_sequence<I...>) {
        (compare(I, std::get<I>(actual), std::get<I>(expected)), ...);
    }
    (std::index_sequence_for<A...>{});
    if (differs.empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "fields differ:" << differs;
}

}  // namespace tollvane::testing

#define EXPECT_FIELDS(actual, expected) \
    EXPECT_TRUE(::tollvane::testing::FieldsEqual(#actual, std::tuple actual, std::tuple expected))
#define ASSERT_FIELDS(actual, expected) \
    ASSERT_TRUE(::tollvane::testing::FieldsEqual(#actual, std::tuple actual, std::tuple expected))
