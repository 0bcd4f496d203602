#include "app/holders/holders_list.h"

#include <algorithm>
#include <map>
#include <memory>

#include "app/holders/holder_texts.h"
#include "app/holders/holders_run.h"
#include "carddata/users_data_index.h"
#include "carddata/users_data_store.h"

namespace tollvane {

namespace {

// The stamp of the list file; none when there is no list yet.
std::optional<FileStamp> StampOf(Files& files, const std::string& path) {
    FileStamp stamp;
    if (!files.Stamp(path, stamp)) return std::nullopt;
    return stamp;
}

}  // namespace

Msg ReplaceReasonText(ReplaceReason reason) {
    switch (reason) {
        case ReplaceReason::Lost: return Msg::kHoldersReasonLost;
        case ReplaceReason::Damaged: return Msg::kHoldersReasonDamaged;
        case ReplaceReason::Other: break;
    }
    return Msg::kHoldersReasonOther;
}

HoldersList::HoldersList(Files& files, Sleeper& sleeper, HolderPaths paths, std::string displayPath,
                         MessageTable texts, std::string usersDataPath)
    : files_(files),
      sleeper_(sleeper),
      paths_(std::move(paths)),
      displayPath_(std::move(displayPath)),
      texts_(texts),
      usersDataPath_(std::move(usersDataPath)) {}

HoldersNote HoldersList::Failed(const MessageTable& texts, const ListFailure& failure) const {
    return {ListFailureText(texts, failure, displayPath_), MessageIcon::Error};
}

void HoldersList::Filter() {
    rows_.clear();
    rows_.reserve(people_.size());
    for (std::size_t i = 0; i < people_.size(); ++i) {
        if (HolderMatches(people_[i], filter_, texts_)) rows_.push_back(i);
    }
}

void HoldersList::SetFilter(std::string filter) {
    filter_ = std::move(filter);
    Filter();
}

std::optional<HoldersNote> HoldersList::Load(const MessageTable& texts) {
    stamp_ = StampOf(files_, paths_.list);
    const auto failure = LoadCardHolders(files_, sleeper_, paths_, people_);
    Filter();
    if (failure) return Failed(texts, *failure);
    return std::nullopt;
}

std::optional<HoldersNote> HoldersList::Refresh(const MessageTable& texts, bool& changed) {
    changed = false;
    const std::optional<FileStamp> now = StampOf(files_, paths_.list);
    if (now == stamp_) return std::nullopt;
    changed = true;
    return Load(texts);
}

bool HoldersList::HeldElsewhere() { return ListHold::HeldElsewhere(files_, paths_); }

template <typename ChangeFn, typename UndoFn>
std::optional<HoldersNote> HoldersList::Change(const MessageTable& texts, ChangeFn&& change,
                                               UndoFn&& undo) {
    FileResult taken;
    const auto hold = ListHold::Take(files_, sleeper_, paths_, taken);
    if (!hold) {
        if (taken.status == FileStatus::HeldElsewhere)
            return HoldersNote{texts[Msg::kHoldersBusy], MessageIcon::Warning};
        return Failed(texts, {ListStep::Open, taken.error});
    }
    if (auto note = Load(texts)) return note;
    std::optional<HoldersNote> note = change();
    if (note && note->icon != MessageIcon::Success) {
        return note;
    }
    if (const auto failure = SaveCardHolders(files_, sleeper_, paths_, people_)) {
        undo();
        Load(texts);  // what the disk holds: the list as it was
        return Failed(texts, *failure);
    }
    stamp_ = StampOf(files_, paths_.list);
    Filter();
    return note;
}

HoldersNote HoldersList::Import(std::string_view bytes, const AnsiToUtf8& ansi,
                                const MessageTable& texts) {
    if (bytes.size() > kMaxImportBytes)
        return {texts[Msg::kHoldersFileTooLarge], MessageIcon::Error};
    const std::string text = ImportText(bytes, ansi);
    const auto storeNote = [&](StoreStep step, std::uint32_t code) {
        if (step == StoreStep::Open)
            return HoldersNote{texts[Msg::kUsersDataOpenError], MessageIcon::Error};
        return HoldersNote{std::string(texts[step == StoreStep::Read ? Msg::kUsersDataReadError
                                                                     : Msg::kUsersDataWriteError]) +
                               ErrorCodeLine(code),
                           MessageIcon::Error};
    };
    // usersData.data is held from the reservation of the given numbers until
    // the list that names them is saved, so that they can be taken back.
    std::unique_ptr<File> users;
    Reservation reservation;
    const auto note = Change(
        texts,
        [&]() -> std::optional<HoldersNote> {
            // The file is checked against a shared reading, so that other
            // stations' draws go on while it is; only the reservation holds
            // usersData.data, as a draw does.
            UsersDataIndex index;
            {
                std::unique_ptr<File> file;
                const FileResult opened = OpenWithShareRetry(files_, sleeper_, usersDataPath_,
                                                             OpenMode::ReadShared, file);
                if (!opened) return storeNote(StoreStep::Open, opened.error);
                std::uint32_t code = 0;
                if (!ReadUsersDataIndex(*file, index, code))
                    return storeNote(StoreStep::Read, code);
            }
            ImportResult result = ReadImport(
                text,
                [&](const HolderNumber& n) { return index.Contains(UsersDataNumber(n.data())); },
                people_);
            if (result.tooManyPeople)
                return HoldersNote{texts[Msg::kHoldersTooManyPeople], MessageIcon::Error};
            if (!result.refused.empty())
                return HoldersNote{RefusalMessage(result.refused, texts), MessageIcon::Error};
            if (result.people.empty())
                return HoldersNote{texts[Msg::kHoldersNoneInFile], MessageIcon::Warning};

            std::vector<HolderNumber> given;
            std::vector<std::size_t> lines;
            for (std::size_t i = 0; i < result.people.size(); ++i) {
                if (!result.people[i].number) continue;
                given.push_back(*result.people[i].number);
                lines.push_back(result.lines[i]);
            }
            if (!given.empty()) {
                const FileResult opened = OpenWithShareRetry(files_, sleeper_, usersDataPath_,
                                                             OpenMode::ReadWrite, users);
                if (!opened) return storeNote(StoreStep::Open, opened.error);
                reservation = ReserveNumbers(*users, given);
                if (reservation.failure)
                    return storeNote(reservation.failure->step, reservation.failure->systemError);
                // Drawn at another station since the shared reading.
                std::vector<RefusedLine> refused;
                for (std::size_t place : reservation.taken)
                    refused.push_back({lines[place], Refusal::NumberRecorded});
                if (!refused.empty())
                    return HoldersNote{RefusalMessage(refused, texts), MessageIcon::Error};
            }
            const std::size_t added = result.people.size();
            people_.insert(people_.end(), std::make_move_iterator(result.people.begin()),
                           std::make_move_iterator(result.people.end()));
            return HoldersNote{FillNumbers(texts[Msg::kHoldersImported], {{'N', added}}),
                               MessageIcon::Success};
        },
        [&] {
            // Nobody else could append while the file was held: its end is
            // still the reservation's.
            if (users && reservation.written && users->Resize(reservation.oldEnd)) users->Flush();
        });
    return note.value_or(HoldersNote{});
}

std::vector<HolderIdentity> HoldersList::Chosen(const std::vector<std::size_t>& places) const {
    std::vector<HolderIdentity> chosen;
    for (std::size_t place : places) {
        if (place < people_.size()) chosen.push_back(IdentityOf(people_[place]));
    }
    return chosen;
}

std::optional<HoldersNote> HoldersList::Remove(const std::vector<HolderIdentity>& chosen,
                                               const MessageTable& texts) {
    if (chosen.empty()) return std::nullopt;
    return Change(texts, [&]() -> std::optional<HoldersNote> {
        std::map<std::pair<std::string, std::optional<HolderNumber>>, std::size_t> left;
        for (const HolderIdentity& gone : chosen) ++left[{gone.name, gone.number}];
        std::erase_if(people_, [&](const CardHolder& p) {
            if (p.status != HolderStatus::Waiting) return false;
            const auto it = left.find({p.name, p.number});
            if (it == left.end() || it->second == 0) return false;
            --it->second;
            return true;
        });
        return std::nullopt;
    });
}

std::optional<HoldersNote> HoldersList::Replace(const HolderIdentity& who, ReplaceReason reason,
                                                IssuedCardsLog& log, const MessageTable& texts) {
    return Change(texts, [&]() -> std::optional<HoldersNote> {
        const auto it = std::find_if(people_.begin(), people_.end(), [&](const CardHolder& p) {
            return p.status == HolderStatus::Issued && IdentityOf(p) == who;
        });
        if (it == people_.end())
            return HoldersNote{texts[Msg::kHoldersReplaceGone], MessageIcon::Warning};
        CardHolder& person = *it;
        IssuedCardEntry entry;
        entry.roleLetter = 'U';
        entry.operationLetter = kRevokeLetter;
        entry.uniqueData = *person.number;
        entry.result = IssueResult::Ok;
        entry.message = texts[ReplaceReasonText(reason)];
        if (!person.cardBarcode.empty() && !person.cardCipherId.empty()) {
            entry.card = CardIdentity{
                ParseUnsignedDecimal(person.cardBarcode.data(), person.cardBarcode.size()),
                ParseUnsignedDecimal(person.cardCipherId.data(), person.cardCipherId.size())};
        }
        if (const auto failure = log.Record(std::move(entry))) {
            return HoldersNote{std::string(texts[Msg::kHoldersRevokeNotRecorded]) + "\n\r" +
                                   log.DisplayPath() +
                                   ErrorCodeLine(static_cast<std::uint32_t>(failure->systemError)),
                               MessageIcon::Error};
        }
        const std::string number = HolderNumberText(*person.number);
        person = CardHolder{person.name, std::nullopt, HolderStatus::Waiting, {}, {}, {}};
        return HoldersNote{FillTexts(texts[Msg::kHoldersReplaced], {number, person.name}),
                           MessageIcon::Success};
    });
}

}  // namespace tollvane
