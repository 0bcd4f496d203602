#include "register/register_appender.h"

#include <algorithm>
#include <memory>
#include <string>

#include "register/issued_cards.h"

namespace tollvane {

namespace {

// Rows are a few hundred bytes; the last line always begins within this.
constexpr std::size_t kTailBytes = 64 * 1024;

struct Opened {
    std::unique_ptr<File> file;
    std::uint64_t size = 0;
    std::string leadIn;
};

std::optional<RegisterFailure> OpenAndReadEnd(Files& files, Sleeper& sleeper,
                                              const std::string& path, Opened& opened) {
    const FileResult open =
        OpenWithShareRetry(files, sleeper, path, OpenMode::AppendShared, opened.file);
    if (!open) return RegisterFailure{RegisterStep::Open, open.error};
    File& file = *opened.file;
    FileResult read = file.Size(opened.size);
    const std::size_t tail =
        static_cast<std::size_t>(std::min<std::uint64_t>(opened.size, kTailBytes));
    std::string last(tail, '\0');
    std::size_t got = 0;
    if (read && tail > 0) read = file.Seek(opened.size - tail);
    if (read && tail > 0) read = ReadFull(file, last.data(), tail, got);
    if (read && got != tail)
        read = FileResult::Failure(38);  // the file shrank meanwhile: "reached the end"
    if (!read) return RegisterFailure{RegisterStep::Read, read.error};
    opened.leadIn = RegisterLeadIn(opened.size, last);
    return std::nullopt;
}

std::optional<RegisterFailure> WriteAndFlush(Opened& opened, std::string_view bytes) {
    if (bytes.empty()) return std::nullopt;
    File& file = *opened.file;
    FileResult written = file.Seek(opened.size);
    if (written) written = file.Write(bytes.data(), bytes.size());
    if (!written) return RegisterFailure{RegisterStep::Write, written.error};
    if (const FileResult flushed = file.Flush(); !flushed)
        return RegisterFailure{RegisterStep::Flush, flushed.error};
    return std::nullopt;
}

}  // namespace

std::optional<RegisterFailure> PrepareRegister(Files& files, Sleeper& sleeper,
                                               const std::string& path) {
    Opened opened;
    if (auto failure = OpenAndReadEnd(files, sleeper, path, opened)) return failure;
    return WriteAndFlush(opened, opened.leadIn);
}

std::optional<RegisterFailure> AppendRegisterLine(Files& files, Sleeper& sleeper,
                                                  const std::string& path, std::string_view line) {
    Opened opened;
    if (auto failure = OpenAndReadEnd(files, sleeper, path, opened)) return failure;
    // The repair and the row go out together, so that another station never
    // finds the one without the other.
    opened.leadIn.append(line);
    return WriteAndFlush(opened, opened.leadIn);
}

}  // namespace tollvane
