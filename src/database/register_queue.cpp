#include "database/register_queue.h"

#include <memory>

#include "register/register_reader.h"

namespace tollvane {

RegisterQueue::RegisterQueue(Files& files, std::string path)
    : files_(files), path_(std::move(path)), temp_(path_.substr(0, path_.rfind('.')) + ".tmp") {}

// The rows of the whole lines; whole is where the last whole line ends: a
// line cut short by a power loss during its append was never reported as
// kept, and the next append writes over it.
FileResult RegisterQueue::Read(std::vector<RegisterRecord>& records, std::uint64_t& whole) {
    records.clear();
    whole = 0;
    std::string text;
    if (const FileResult read = ReadWholeFile(files_, path_, text); !read) return read;
    for (std::size_t end; (end = text.find("\r\n", whole)) != std::string::npos; whole = end + 2) {
        const std::string_view line = std::string_view(text).substr(whole, end - whole);
        const std::size_t comma = line.find(',');
        if (comma == std::string_view::npos) continue;
        RegisterRecord& record = records.emplace_back();
        record.id = line.substr(0, comma);
        SplitRegisterLine(line.substr(comma + 1), record.row);
    }
    return FileResult::Success();
}

FileResult RegisterQueue::Load() {
    std::vector<RegisterRecord> records;
    std::uint64_t whole = 0;
    const FileResult read = Read(records, whole);
    if (read) waiting_ = records.size();
    return read;
}

FileResult RegisterQueue::Append(const RegisterRecord& record) {
    std::vector<RegisterRecord> records;
    std::uint64_t whole = 0;
    if (const FileResult read = Read(records, whole); !read) return read;
    std::unique_ptr<File> file;
    FileResult result = files_.Open(path_, OpenMode::AppendShared, file);
    const std::string line = record.id + "," + FormatRegisterLine(record.row);
    if (result) result = file->Resize(whole);
    if (result) result = file->Write(line.data(), line.size());
    if (result) result = file->Flush();
    if (result) waiting_ = records.size() + 1;
    return result;
}

FileResult RegisterQueue::Keep(const std::vector<RegisterRecord>& records, std::size_t from) {
    if (from == 0) return FileResult::Success();
    if (from == records.size()) {
        const FileResult deleted = files_.Delete(path_);
        if (deleted || deleted.status == FileStatus::NotFound) waiting_ = 0;
        return deleted.status == FileStatus::NotFound ? FileResult::Success() : deleted;
    }
    std::string text;
    for (std::size_t i = from; i < records.size(); ++i)
        text += records[i].id + "," + FormatRegisterLine(records[i].row);
    FileResult result;
    {
        std::unique_ptr<File> file;
        result = files_.Open(temp_, OpenMode::CreateAlways, file);
        if (result) result = file->Write(text.data(), text.size());
        if (result) result = file->Flush();
    }
    if (result) result = files_.MoveReplace(temp_, path_);
    if (result) waiting_ = records.size() - from;
    return result;
}

QueueOutcome RegisterQueue::Send(const SendRegisterRecord& send) {
    std::vector<RegisterRecord> records;
    std::uint64_t whole = 0;
    QueueOutcome outcome{std::nullopt, Read(records, whole)};
    if (!outcome.file) return outcome;
    std::size_t sent = 0;
    while (sent < records.size() && !(outcome.server = send(records[sent]))) ++sent;
    outcome.file = Keep(records, sent);
    return outcome;
}

QueueOutcome RegisterQueue::Deliver(const RegisterRecord& record, const SendRegisterRecord& send) {
    QueueOutcome outcome;
    if (waiting_ > 0 || files_.Exists(path_)) outcome = Send(send);
    if (!outcome.server && outcome.file && waiting_ == 0) {
        outcome.server = send(record);
        if (!outcome.server) return outcome;
    }
    outcome.file = Append(record);
    return outcome;
}

}  // namespace tollvane
