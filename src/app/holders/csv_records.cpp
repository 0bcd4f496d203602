#include "app/holders/csv_records.h"

namespace tollvane {

void ReadCsvRecords(std::string_view text, char separator, const CsvSink& sink) {
    std::vector<std::string> fields;
    std::size_t line = 1;
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        const std::size_t startLine = line;
        fields.assign(1, std::string());
        bool recordEnded = false;
        while (i < n && !recordEnded) {
            std::string& field = fields.back();
            if (text[i] == '"' && field.empty()) {
                // A quoted field: up to the quote that is not doubled.
                ++i;
                while (i < n) {
                    const char c = text[i];
                    if (c == '"') {
                        if (i + 1 < n && text[i + 1] == '"') {
                            field.push_back('"');
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    if (c == '\n' || (c == '\r' && (i + 1 == n || text[i + 1] != '\n'))) ++line;
                    field.push_back(c);
                    ++i;
                }
                continue;
            }
            const char c = text[i];
            if (c == separator) {
                fields.emplace_back();
                ++i;
            } else if (c == '\n' || c == '\r') {
                i += c == '\r' && i + 1 < n && text[i + 1] == '\n' ? 2 : 1;
                ++line;
                recordEnded = true;
            } else {
                field.push_back(c);
                ++i;
            }
        }
        if (!sink(startLine, fields)) return;
    }
}

}  // namespace tollvane
