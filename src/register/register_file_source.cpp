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

bool RegisterFileSource::ReadAt(std::uint64_t offset, char* bytes, std::size_t n, std::size_t& got) {
    got = 0;
    std::unique_ptr<File> file;
    FileResult result = files_.Open(path_, OpenMode::ReadShared, file);
    if (result) result = file->Seek(offset);
    if (result) result = ReadFull(*file, bytes, n, got);
    return result ? true : Fail(result);
}

}  // namespace tollvane
