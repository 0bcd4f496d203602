#include "register/register_reader.h"

#include <array>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tollvane {

namespace {

// The first of two bytes (a may equal b) in [p, end), or end. A million
// rows are a quarter of a gigabyte, and the C library's memchr of some
// runtimes goes byte by byte; sixteen bytes at a time keep the scan short.
const char* FindFirst(const char* p, const char* end, char a, char b) {
#if defined(__SSE2__)
    const __m128i va = _mm_set1_epi8(a), vb = _mm_set1_epi8(b);
    while (end - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int mask =
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, va), _mm_cmpeq_epi8(v, vb)));
        if (mask != 0) return p + __builtin_ctz(static_cast<unsigned>(mask));
        p += 16;
    }
#endif
    while (p < end && *p != a && *p != b) ++p;
    return p;
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The number columns the filter looks at, besides the time.
constexpr int kFilterColumns[] = {kColTime,        kColUniqueData, kColTmW44,  kColHexW44,
                                  kColDecW44,      kColTmW26,      kColHexW26, kColDecW26,
                                  kColTmW58,       kColHexW58,     kColDecW58, kColCardBarcode,
                                  kColCardCipherId};

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool ContainsIgnoringCase(std::string_view text, std::string_view lowerNeedle) {
    if (lowerNeedle.size() > text.size()) return false;
    for (std::size_t i = 0; i + lowerNeedle.size() <= text.size(); ++i) {
        std::size_t k = 0;
        while (k < lowerNeedle.size() && LowerAscii(text[i + k]) == lowerNeedle[k]) ++k;
        if (k == lowerNeedle.size()) return true;
    }
    return false;
}

std::string LowerCopy(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = LowerAscii(c);
    return out;
}

using FieldViews = std::array<std::string_view, kRegisterColumnCount>;

// The fields of a row as views into it, in one pass and without copying: the
// window's counts and filter look at a million rows. A quoted field loses its
// outer quotes but keeps any doubled quote inside, which the columns looked
// at here never hold.
void SplitFieldViews(std::string_view line, FieldViews& fields) {
    fields.fill({});
    const char* p = line.data();
    const char* const end = p + line.size();
    for (std::size_t column = 0; column < fields.size(); ++column) {
        const char* start = p;
        if (p < end && *p == '"') {
            ++start;
            ++p;
            while (p < end && !(*p == '"' && (p + 1 == end || p[1] != '"')))
                p += (*p == '"') ? 2 : 1;
            fields[column] =
                std::string_view(start, static_cast<std::size_t>((p < end ? p : end) - start));
            while (p < end && *p != ',') ++p;
        } else {
            p = FindFirst(p, end, ',', ',');
            fields[column] = std::string_view(start, static_cast<std::size_t>(p - start));
        }
        if (p == end) break;
        ++p;
    }
}

template <typename Row>
bool MatchesLowerFilter(const Row& row, std::string_view lowerFilter) {
    if (lowerFilter.empty()) return true;
    for (int c : kFilterColumns) {
        if (ContainsIgnoringCase(row[static_cast<std::size_t>(c)], lowerFilter)) return true;
    }
    return false;
}

}  // namespace

void RegisterScanner::Restart(std::uint64_t offset) {
    carry_.clear();
    consumed_ = offset;
    position_ = offset;
    inQuotes_ = false;
}

void RegisterScanner::EmitRow(std::uint64_t offset, std::string_view line, const RowSink& sink) {
    if (offset == 0) {
        // The mark belongs to the file, not to the first field.
        if (line.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
            line.remove_prefix(kByteOrderMark.size());
            offset = kByteOrderMark.size();
        }
        // A register not yet given the card columns has the old header.
        for (const std::string_view start : {RegisterFileStart(), OldRegisterFileStart()}) {
            if (line ==
                start.substr(kByteOrderMark.size(), start.size() - kByteOrderMark.size() - 2))
                return;
        }
    }
    sink(offset, line);
}

void RegisterScanner::Feed(const char* bytes, std::size_t n, const RowSink& sink) {
    const char* const end = bytes + n;
    const char* p = bytes;
    const char* rowStart = bytes;  // first byte of this block not yet in a finished row
    auto finishRow = [&](const char* newline) {
        std::string_view line;
        if (carry_.empty()) {
            line = std::string_view(rowStart, static_cast<std::size_t>(newline - rowStart));
        } else {
            carry_.append(rowStart, static_cast<std::size_t>(newline - rowStart));
            line = carry_;
        }
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        EmitRow(consumed_, line, sink);
        carry_.clear();
        rowStart = newline + 1;
        consumed_ = position_ + static_cast<std::uint64_t>(rowStart - bytes);
    };
    while (p < end) {
        if (!inQuotes_) {
            // Most rows hold no quote: from line end to line end.
            p = FindFirst(p, end, '\n', '"');
            if (p == end) break;
            if (*p == '\n') {
                finishRow(p);
            } else {
                inQuotes_ = true;
            }
            ++p;
            continue;
        }
        // Inside quotes only the next quote matters; a doubled quote closes
        // and reopens at once, which comes to the same.
        p = FindFirst(p, end, '"', '"');
        if (p == end) break;
        inQuotes_ = false;
        ++p;
    }
    carry_.append(rowStart, static_cast<std::size_t>(end - rowStart));
    position_ += n;
}

void SplitRegisterLine(std::string_view line, RegisterRow& row) {
    std::size_t column = 0;
    std::size_t i = 0;
    for (std::string& f : row) f.clear();
    while (true) {
        std::string* field = column < row.size() ? &row[column] : nullptr;
        if (i < line.size() && line[i] == '"') {
            ++i;
            while (i < line.size()) {
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        if (field) field->push_back('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                if (field) field->push_back(line[i]);
                ++i;
            }
        }
        // Unquoted text, or whatever follows a closing quote up to the comma.
        const std::size_t comma = line.find(',', i);
        const std::size_t stop = comma == std::string_view::npos ? line.size() : comma;
        if (field) field->append(line.substr(i, stop - i));
        if (comma == std::string_view::npos) break;
        i = comma + 1;
        ++column;
    }
}

bool RowMatchesFilter(const RegisterRow& row, std::string_view filter) {
    return MatchesLowerFilter(row, LowerCopy(filter));
}

// A card issued: written, and read back as written when the check was on.
template <typename Row>
bool IsSuccessfulWrite(const Row& row) {
    return row[kColRole] == "User" && row[kColOperation] == "Write" &&
           (row[kColResult] == "OK" || row[kColResult] == "VERIFIED");
}

bool IsSuccessfulUserWrite(const RegisterRow& row) { return IsSuccessfulWrite(row); }

RegisterView::RegisterView(std::string filter)
    : filter_(std::move(filter)), lowerFilter_(LowerCopy(filter_)) {}

void RegisterView::Reset() {
    scanner_.Restart(0);
    rows_.clear();
    userWritesOk_ = 0;
}

void RegisterView::Feed(const char* bytes, std::size_t n) {
    scanner_.Feed(bytes, n,
                  [this](std::uint64_t offset, std::string_view line) { TakeRow(offset, line); });
}

void RegisterView::TakeRow(std::uint64_t offset, std::string_view line) {
    FieldViews fields;
    SplitFieldViews(line, fields);
    if (!MatchesLowerFilter(fields, lowerFilter_)) return;
    rows_.emplace_back(offset, line.size());
    if (IsSuccessfulWrite(fields)) ++userWritesOk_;
}

std::string RegisterRowsAsTabText(const std::vector<RegisterRow>& rows) {
    std::string text;
    for (const RegisterRow& row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (i > 0) text.push_back('\t');
            for (char c : row[i]) text.push_back((c == '\t' || c == '\r' || c == '\n') ? ' ' : c);
        }
        text += "\r\n";
    }
    return text;
}

}  // namespace tollvane
