#include "carddata/win/users_data_file.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "carddata/users_data.h"
#include "base/win/handles.h"
#include "base/win/utf.h"

namespace tollvane {
UsersDataFile::UsersDataFile(MessageBoxes& boxes, const MessageTable& texts, std::string path)
    : boxes_(boxes), texts_(texts), path_(Widen(path)) {}

RecordOutcome UsersDataFile::FailWithCode(Msg text, DWORD code) {
    char line[64];
    std::snprintf(line, sizeof line, "\nGetLastError=%08lX", static_cast<unsigned long>(code));
    boxes_.Show(std::string(texts_[text]) + line, MessageIcon::Error);
    return RecordOutcome::Failed;
}

RecordOutcome UsersDataFile::Record(const std::uint8_t data[7]) {
    UniqueFileHandle file(CreateFileW(path_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        boxes_.Show(texts_[Msg::kUsersDataOpenError], MessageIcon::Error);
        return RecordOutcome::Failed;
    }

    const std::string record = UsersDataRecordText(data);
    UsersDataScanner scanner(record);
    std::unique_ptr<std::uint8_t[]> block(new std::uint8_t[kBlockSize]);
    for (;;) {
        DWORD got = 0;
        if (!calls_->Read(file.get(), block.get(), kBlockSize, &got))
            return FailWithCode(Msg::kUsersDataReadError, GetLastError());
        if (got == 0) break;
        scanner.Feed(block.get(), got);
        if (scanner.Found()) return RecordOutcome::AlreadyRecorded;
    }

    // The whole file has been read, so the file pointer stands at its end.
    LARGE_INTEGER oldEnd{};
    const LARGE_INTEGER zero{};
    if (!SetFilePointerEx(file.get(), zero, &oldEnd, FILE_CURRENT))
        return FailWithCode(Msg::kUsersDataReadError, GetLastError());

    const std::string text = scanner.SeparatorForNext() + record;
    DWORD written = 0;
    DWORD code = ERROR_SUCCESS;
    if (!calls_->Write(file.get(), text.data(), static_cast<DWORD>(text.size()), &written)) {
        code = GetLastError();
    } else if (written != text.size()) {
        // A short synchronous write to a disk file means the disk is full.
        code = ERROR_DISK_FULL;
    } else if (!calls_->Flush(file.get())) {
        code = GetLastError();
    }
    if (code == ERROR_SUCCESS) return RecordOutcome::Recorded;

    // Cut off whatever part of the new text reached the file: digits left
    // without their separator could join the next record into a wrong
    // number. The number itself is reported as not recorded either way.
    if (SetFilePointerEx(file.get(), oldEnd, nullptr, FILE_BEGIN)) SetEndOfFile(file.get());
    return FailWithCode(Msg::kUsersDataWriteError, code);
}

}  // namespace tollvane
