#include "carddata/users_data_store.h"

#include <memory>
#include <utility>

#include "carddata/users_data.h"

namespace tollvane {

namespace {

Recording Failed(StoreStep step, std::uint32_t code = 0) {
    return {RecordOutcome::Failed, {step, code}};
}

// One reading of an open file, from where it stands to its end, in blocks.
UsersDataIndex::FileReading ReadingOf(File& file, std::uint32_t& error) {
    return [&file, &error](const UsersDataIndex::BlockSink& sink) {
        std::unique_ptr<std::uint8_t[]> block(new std::uint8_t[UsersDataStore::kBlockSize]);
        for (;;) {
            std::size_t got = 0;
            const FileResult read =
                file.Read(reinterpret_cast<char*>(block.get()), UsersDataStore::kBlockSize, got);
            if (!read) {
                error = read.error;
                return false;
            }
            if (got == 0) return true;
            sink(block.get(), got);
        }
    };
}

}  // namespace

UsersDataStore::UsersDataStore(Files& files, Sleeper& sleeper, std::string path)
    : files_(files), sleeper_(sleeper), path_(std::move(path)) {}

Recording UsersDataStore::Record(const std::uint8_t data[7]) { return RecordOrCheck(data, false); }

Recording UsersDataStore::RecordGiven(const std::uint8_t data[7]) {
    return RecordOrCheck(data, true);
}

Recording UsersDataStore::RecordOrCheck(const std::uint8_t data[7], bool given) {
    Recording outcome;
    {
        std::unique_ptr<File> file;
        if (!OpenWithShareRetry(files_, sleeper_, path_, OpenMode::ReadWrite, file))
            return Failed(StoreStep::Open);
        outcome = RecordIn(*file, data, given);
    }
    if (outcome.outcome != RecordOutcome::Recorded) return outcome;
    // Stamped once the file is closed: a file system may set the last-write
    // time only then. A change by someone else in the moment between close
    // and stamp would go unseen; any later one is seen.
    if (!files_.Stamp(path_, left_)) index_.Clear();
    return outcome;
}

Recording UsersDataStore::RecordIn(File& file, const std::uint8_t data[7], bool given) {
    const std::uint64_t number = UsersDataNumber(data);
    FileStamp now;
    const bool stamped = static_cast<bool>(file.Stamp(now));
    if (!index_.Ready() || !stamped || !(now == left_)) {
        std::uint32_t code = 0;
        if (!ReadUsersDataIndex(file, index_, code)) return Failed(StoreStep::Read, code);
        if (stamped) left_ = now;
    }
    if (index_.Contains(number)) {
        if (!given) return {RecordOutcome::AlreadyRecorded, {}};
        // The index knows the first three bytes only: the records that
        // share them are looked at one by one.
        bool other = false;
        std::uint32_t code = 0;
        if (const FileResult start = file.Seek(0); !start)
            return Failed(StoreStep::Read, start.error);
        const bool complete =
            UsersDataIndex::ForEachRecord(ReadingOf(file, code), [&](std::uint64_t record) {
                other = other || ((record >> 16) == (number >> 16) && record != number);
            });
        if (!complete) return Failed(StoreStep::Read, code);
        return {other ? RecordOutcome::KeyTaken : RecordOutcome::AlreadyRecorded, {}};
    }

    std::uint64_t oldEnd = 0;
    FileResult atEnd = file.Size(oldEnd);
    if (atEnd) atEnd = file.Seek(oldEnd);
    if (!atEnd) {
        index_.Clear();
        return Failed(StoreStep::Read, atEnd.error);
    }
    const std::string text = index_.SeparatorForNext() + UsersDataRecordText(data);
    FileResult written = file.Write(text.data(), text.size());
    if (written) written = file.Flush();
    if (!written) {
        // Cut off whatever part of the new text reached the file: digits
        // left without their separator could join the next record into a
        // wrong number. The number itself is reported as not recorded
        // either way, and the file is read again next time.
        if (file.Resize(oldEnd)) file.Flush();
        index_.Clear();
        return Failed(StoreStep::Write, written.error);
    }
    index_.Add(number);
    return {RecordOutcome::Recorded, {}};
}

bool ReadUsersDataIndex(File& file, UsersDataIndex& index, std::uint32_t& error) {
    return index.Build(ReadingOf(file, error));
}

Reservation ReserveNumbers(File& file, const std::vector<std::array<std::uint8_t, 7>>& numbers) {
    Reservation reservation;
    UsersDataIndex index;
    std::uint32_t code = 0;
    if (!ReadUsersDataIndex(file, index, code)) {
        reservation.failure = StoreFailure{StoreStep::Read, code};
        return reservation;
    }
    std::string text;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        const std::uint64_t number = UsersDataNumber(numbers[i].data());
        if (index.Contains(number)) {
            reservation.taken.push_back(i);
            continue;
        }
        text += index.SeparatorForNext() + UsersDataRecordText(numbers[i].data());
        index.Add(number);
    }
    if (!reservation.taken.empty() || text.empty()) return reservation;
    FileResult result = file.Size(reservation.oldEnd);
    if (result) result = file.Seek(reservation.oldEnd);
    if (!result) {
        reservation.failure = StoreFailure{StoreStep::Read, result.error};
        return reservation;
    }
    result = file.Write(text.data(), text.size());
    if (result) result = file.Flush();
    if (!result) {
        // As a single record's: no part of the records may stay behind.
        if (file.Resize(reservation.oldEnd)) file.Flush();
        reservation.failure = StoreFailure{StoreStep::Write, result.error};
    }
    reservation.written = static_cast<bool>(result);
    return reservation;
}

}  // namespace tollvane
