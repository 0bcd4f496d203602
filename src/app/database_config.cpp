#include "app/database_config.h"

#include <cctype>
#include <memory>

namespace tollvane {
namespace {

constexpr const char* kTempName = "database.tmp";
// The file holds a few short lines; anything far larger is not one of ours.
constexpr std::uint64_t kMaxBytes = 64 * 1024;
constexpr char kBom[] = "\xEF\xBB\xBF";

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

bool SameWord(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

std::string ToHex(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    for (const unsigned char c : bytes) {
        hex += kDigits[c >> 4];
        hex += kDigits[c & 15];
    }
    return hex;
}

// Empty when text is not whole pairs of hexadecimal digits.
std::string FromHex(std::string_view hex) {
    const auto digit = [](char c) {
        return std::isxdigit(static_cast<unsigned char>(c))
                   ? (std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (c | 0x20) - 'a' + 10)
                   : -1;
    };
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        const int high = digit(hex[i]), low = digit(hex[i + 1]);
        if (high < 0 || low < 0) return {};
        bytes += static_cast<char>(high << 4 | low);
    }
    return hex.size() % 2 ? std::string() : bytes;
}

// Calls found(key, value) for each key=value pair of an ODBC connection
// string; a value in braces may hold semicolons, and "}}" inside braces is
// one brace.
template <typename Found>
void EachPair(std::string_view connection, Found&& found) {
    std::size_t at = 0;
    while (at < connection.size()) {
        const std::size_t equals = connection.find('=', at);
        if (equals == std::string_view::npos) return;
        const std::string_view key = Trimmed(connection.substr(at, equals - at));
        std::string value;
        std::size_t next = equals + 1;
        if (next < connection.size() && connection[next] == '{') {
            for (++next; next < connection.size(); ++next) {
                if (connection[next] != '}') {
                    value += connection[next];
                } else if (next + 1 < connection.size() && connection[next + 1] == '}') {
                    value += '}';
                    ++next;
                } else {
                    break;
                }
            }
            next = connection.find(';', next);
        } else {
            const std::size_t end = connection.find(';', next);
            value = Trimmed(connection.substr(
                next, end == std::string_view::npos ? std::string_view::npos : end - next));
            next = end;
        }
        found(key, value);
        if (next == std::string_view::npos) return;
        at = next + 1;
    }
}

}  // namespace

FileResult ReadDatabaseSettings(Files& files, const std::string& path, DatabaseSettings& settings) {
    settings = {};
    std::string text;
    if (const FileResult read = ReadWholeFile(files, path, text, kMaxBytes); !read) return read;
    if (text.starts_with(kBom)) text.erase(0, 3);
    bool inSection = false;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        const std::string_view line = Trimmed(std::string_view(text).substr(at, end - at));
        at = end + 1;
        if (line.starts_with('[')) {
            inSection = line.ends_with(']') &&
                        SameWord(Trimmed(line.substr(1, line.size() - 2)), "Database");
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!inSection || equals == std::string_view::npos) continue;
        const std::string_view key = Trimmed(line.substr(0, equals)),
                               value = Trimmed(line.substr(equals + 1));
        if (SameWord(key, "Connection")) settings.connection = value;
        if (SameWord(key, "Password")) settings.sealedPassword = FromHex(value);
    }
    return FileResult::Success();
}

FileResult SaveDatabaseSettings(Files& files, const std::string& path,
                                const DatabaseSettings& settings) {
    std::string text = "[Database]\r\nConnection=" + settings.connection + "\r\n";
    if (!settings.sealedPassword.empty())
        text += "Password=" + ToHex(settings.sealedPassword) + "\r\n";
    const std::size_t slash = path.find_last_of("\\/");
    const std::string temp =
        (slash == std::string::npos ? "" : path.substr(0, slash + 1)) + kTempName;
    FileResult result;
    {
        std::unique_ptr<File> file;
        result = files.Open(temp, OpenMode::CreateAlways, file);
        if (!result) return result;
        result = file->Write(text.data(), text.size());
        if (result) result = file->Flush();
    }
    if (result) result = files.MoveReplace(temp, path);
    if (!result) files.Delete(temp);
    return result;
}

std::string ConnectionValue(std::string_view connection, std::string_view key) {
    std::string found;
    bool seen = false;
    // The first of a repeated key is the one a driver takes.
    EachPair(connection, [&](std::string_view k, const std::string& value) {
        if (!seen && SameWord(k, key)) {
            found = value;
            seen = true;
        }
    });
    return found;
}

std::string ConnectionForDriver(std::string_view connection, std::string_view password) {
    bool ownPassword = false;
    EachPair(connection, [&](std::string_view key, const std::string&) {
        ownPassword |= SameWord(key, "PWD");
    });
    std::string result(connection);
    if (password.empty() || ownPassword) return result;
    if (!Trimmed(result).empty() && !Trimmed(result).ends_with(';')) result += ';';
    result += "PWD={";
    for (const char c : password) result += c == '}' ? std::string("}}") : std::string(1, c);
    return result + "};";
}

std::string DatabaseName(std::string_view connection) {
    const std::string database = ConnectionValue(connection, "Database");
    return database.empty() ? ConnectionValue(connection, "DSN") : database;
}

}  // namespace tollvane
