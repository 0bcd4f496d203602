#include "register/register_file_source.h"

#include <memory>

namespace tollvane {

bool RegisterFileSource::Fail(const FileResult& failure) {
    lastFailure_ = failure;
    return false;
}

bool RegisterFileSource::Size(std::uint64_t& size) {
    std::unique_ptr<File> file;
    FileResult result = files_.Open(path_, OpenMode::ReadShared, file);
    if (result) result = file->Size(size);
    return result ? true : Fail(result);
}

bool RegisterFileSource::ReadAt(std::uint64_t offset, char* bytes, std::size_t n,
                                std::size_t& got) {
    got = 0;
    std::unique_ptr<File> file;
    FileResult result = files_.Open(path_, OpenMode::ReadShared, file);
    if (result) result = file->Seek(offset);
    if (result) result = ReadFull(*file, bytes, n, got);
    return result ? true : Fail(result);
}

FileResult ExportRegister(RegisterBrowser& browser, const RegisterFileSource& source, Files& files,
                          const std::string& path) {
    // Rows go out in writes of about a megabyte: one write per row would be
    // slow on a network folder, one for the whole register could be large.
    constexpr std::size_t kWriteSize = 1u << 20;
    FileResult result;
    {
        std::unique_ptr<File> file;
        result = files.Open(path, OpenMode::CreateAlways, file);
        if (!result) return result;
        std::string buffer;
        auto write = [&]() {
            if (!buffer.empty()) result = file->Write(buffer.data(), buffer.size());
            buffer.clear();
            return static_cast<bool>(result);
        };
        const bool read = browser.Export([&](std::string_view piece) {
            buffer.append(piece);
            return buffer.size() < kWriteSize || write();
        });
        if (!read && result)
            result = FileResult::Failure(static_cast<std::uint32_t>(source.LastError()));
        if (result && write()) result = file->Flush();
    }
    if (!result) files.Delete(path);
    return result;
}

}  // namespace tollvane
