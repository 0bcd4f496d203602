// Records of a delimited text file as RFC 4180 reads them: fields separated
// by one character, a field in double quotes may hold the separator, line
// ends and doubled quotes. Lines end with CRLF, LF or a CR alone (as some
// spreadsheets on other systems save them).
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tollvane {

// Hands each record to sink with the number (from 1) of the line it starts
// on; sink returns false to stop. The fields vector is reused between
// calls.
using CsvSink = std::function<bool(std::size_t line, std::vector<std::string>& fields)>;
void ReadCsvRecords(std::string_view text, char separator, const CsvSink& sink);

// A record that is one empty field: an empty line.
inline bool IsEmptyRecord(const std::vector<std::string>& fields) {
    return fields.size() == 1 && fields[0].empty();
}

}  // namespace tollvane
