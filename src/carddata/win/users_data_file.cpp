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

bool UsersDataFile::StampOf(HANDLE file, Stamp& stamp) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info)) return false;
    stamp.size = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
    stamp.lastWrite = (std::uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) | info.ftLastWriteTime.dwLowDateTime;
    return true;
}

bool UsersDataFile::BuildIndex(HANDLE file, DWORD& code) {
    std::unique_ptr<std::uint8_t[]> block(new std::uint8_t[kBlockSize]);
    code = ERROR_SUCCESS;
    return index_.Build(
        [&](const UsersDataIndex::BlockSink& sink) {
            for (;;) {
                DWORD got = 0;
                if (!calls_->Read(file, block.get(), kBlockSize, &got)) {
                    code = GetLastError();
                    return false;
                }
                if (got == 0) return true;
                sink(block.get(), got);
            }
        });
}

RecordOutcome UsersDataFile::Record(const std::uint8_t data[7]) {
    const std::uint64_t number = UsersDataNumber(data);
    {
        // Each station opens the file alone for the whole scan and append, so
        // two never hand out the same number; one that finds it taken waits
        // its turn for up to two seconds instead of failing at once.
        UniqueFileHandle file;
        for (int pause = 0;; ++pause) {
            file = UniqueFileHandle(CreateFileW(path_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
            const DWORD error = file.valid() ? 0 : GetLastError();
            if (file.valid() || (error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION) || pause == 20)
                break;
            Sleep(100);
        }
        if (!file.valid()) {
            boxes_.Show(texts_[Msg::kUsersDataOpenError], MessageIcon::Error);
            return RecordOutcome::Failed;
        }

        Stamp now;
        const bool stamped = StampOf(file.get(), now);
        if (!index_.Ready() || !stamped || !(now == left_)) {
            DWORD code = ERROR_SUCCESS;
            if (!BuildIndex(file.get(), code)) return FailWithCode(Msg::kUsersDataReadError, code);
            if (stamped) left_ = now;
        }
        if (index_.Contains(number)) return RecordOutcome::AlreadyRecorded;

        LARGE_INTEGER oldEnd{};
        const LARGE_INTEGER zero{};
        if (!SetFilePointerEx(file.get(), zero, &oldEnd, FILE_END)) {
            const DWORD code = GetLastError();
            index_.Clear();
            return FailWithCode(Msg::kUsersDataReadError, code);
        }

        const std::string text = index_.SeparatorForNext() + UsersDataRecordText(data);
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
        if (code != ERROR_SUCCESS) {
            // Cut off whatever part of the new text reached the file: digits
            // left without their separator could join the next record into a
            // wrong number. The number itself is reported as not recorded
            // either way, and the file is read again next time.
            if (SetFilePointerEx(file.get(), oldEnd, nullptr, FILE_BEGIN)) SetEndOfFile(file.get());
            index_.Clear();
            return FailWithCode(Msg::kUsersDataWriteError, code);
        }
        index_.Add(number);
    }

    // Stamped once the file is closed: a file system may set the last-write
    // time only then. A change by someone else in the moment between close
    // and stamp would go unseen; any later one is seen.
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    if (GetFileAttributesExW(path_.c_str(), GetFileExInfoStandard, &attributes)) {
        left_.size = (std::uint64_t{attributes.nFileSizeHigh} << 32) | attributes.nFileSizeLow;
        left_.lastWrite = (std::uint64_t{attributes.ftLastWriteTime.dwHighDateTime} << 32) |
                          attributes.ftLastWriteTime.dwLowDateTime;
    } else {
        index_.Clear();
    }
    return RecordOutcome::Recorded;
}

}  // namespace tollvane
