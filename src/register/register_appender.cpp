#include "register/register_appender.h"

#include <algorithm>
#include <string>

#include "register/issued_cards.h"

namespace tollvane {

namespace {

// Rows are a few hundred bytes; the last line always begins within this.
constexpr std::size_t kTailBytes = 64 * 1024;

struct Opened {
    std::unique_ptr<RegisterFile> file;
    std::string leadIn;
};

std::optional<RegisterFailure> OpenAndReadEnd(RegisterStorage& storage, Sleeper& sleeper, Opened& opened) {
    unsigned long error = 0;
    opened.file = OpenWithShareRetry(sleeper, error, [&](unsigned long& e) { return storage.OpenForAppend(e); });
    if (!opened.file) return RegisterFailure{RegisterStep::Open, error};
    RegisterFile& file = *opened.file;
    std::uint64_t size = 0;
    if (!file.Size(size)) return RegisterFailure{RegisterStep::Read, file.LastError()};
    const std::size_t tail = static_cast<std::size_t>(std::min<std::uint64_t>(size, kTailBytes));
    std::string last(tail, '\0');
    std::size_t got = 0;
    if (tail > 0 && (!file.ReadAt(size - tail, last.data(), tail, got) || got != tail)) {
        return RegisterFailure{RegisterStep::Read, file.LastError()};
    }
    opened.leadIn = RegisterLeadIn(size, last);
    return std::nullopt;
}

std::optional<RegisterFailure> WriteAndFlush(RegisterFile& file, std::string_view bytes) {
    if (bytes.empty()) return std::nullopt;
    if (!file.Append(bytes)) return RegisterFailure{RegisterStep::Write, file.LastError()};
    if (!file.Flush()) return RegisterFailure{RegisterStep::Flush, file.LastError()};
    return std::nullopt;
}

}  // namespace

std::optional<RegisterFailure> PrepareRegister(RegisterStorage& storage, Sleeper& sleeper) {
    Opened opened;
    if (auto failure = OpenAndReadEnd(storage, sleeper, opened)) return failure;
    return WriteAndFlush(*opened.file, opened.leadIn);
}

std::optional<RegisterFailure> AppendRegisterLine(RegisterStorage& storage, Sleeper& sleeper,
                                                  std::string_view line) {
    Opened opened;
    if (auto failure = OpenAndReadEnd(storage, sleeper, opened)) return failure;
    // The repair and the row go out together, so that another station never
    // finds the one without the other.
    opened.leadIn.append(line);
    return WriteAndFlush(*opened.file, opened.leadIn);
}

}  // namespace tollvane
