#include "register/register_appender.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

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

// Whether the file begins with the header of a register made before the
// card columns.
FileResult ReadHead(File& file, std::uint64_t size, bool& oldHeader) {
    const std::string_view old = OldRegisterFileStart();
    oldHeader = false;
    if (size < old.size()) return FileResult::Success();
    std::string head(old.size(), '\0');
    std::size_t got = 0;
    FileResult read = file.Seek(0);
    if (read) read = ReadFull(file, head.data(), head.size(), got);
    oldHeader = read && got == head.size() && head == old;
    return read;
}

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

// IssuedCards.csv -> IssuedCards.tmp, beside it.
std::string TempPathOf(const std::string& path) {
    const std::string_view csv = ".csv";
    const bool hasCsv =
        path.size() >= csv.size() && path.compare(path.size() - csv.size(), csv.size(), csv) == 0;
    return (hasCsv ? path.substr(0, path.size() - csv.size()) : path) + ".tmp";
}

// The register with the new header and its rows byte for byte, written to a
// temporary file and flushed while the register is held open (no other
// station can append meanwhile), then moved over it, which the system
// allows only once the register is closed again.
void Migrate(Files& files, const std::string& path, Opened& opened) {
    const std::string temp = TempPathOf(path);
    FileResult result;
    {
        std::unique_ptr<File> out;
        result = files.Open(temp, OpenMode::CreateAlways, out);
        const std::string_view start = RegisterFileStart();
        if (result) result = out->Write(start.data(), start.size());
        std::vector<char> block(1u << 20);
        std::uint64_t at = OldRegisterFileStart().size();
        if (result) result = opened.file->Seek(at);
        while (result && at < opened.size) {
            std::size_t got = 0;
            const auto want =
                static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), opened.size - at));
            result = ReadFull(*opened.file, block.data(), want, got);
            if (result && got != want) result = FileResult::Failure(38);
            if (result) result = out->Write(block.data(), got);
            at += got;
        }
        if (result) result = out->Flush();
    }
    opened.file.reset();
    if (result) result = files.MoveReplace(temp, path);
    if (!result) files.Delete(temp);
}

}  // namespace

std::optional<RegisterFailure> PrepareRegister(Files& files, Sleeper& sleeper,
                                               const std::string& path) {
    Opened opened;
    if (auto failure = OpenAndReadEnd(files, sleeper, path, opened)) return failure;
    // A register that cannot be given its new header now (a window at
    // another station holding it, a full disk) stays as it is and takes
    // rows as before; the next command tries again.
    bool oldHeader = false;
    if (const FileResult head = ReadHead(*opened.file, opened.size, oldHeader); !head) {
        return RegisterFailure{RegisterStep::Read, head.error};
    }
    if (oldHeader) {
        Migrate(files, path, opened);
        opened = Opened{};
        if (auto failure = OpenAndReadEnd(files, sleeper, path, opened)) return failure;
    }
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
