#include "app/holders/holders_list.h"

#include <algorithm>
#include <map>
#include <memory>

#include "app/holders/holder_texts.h"
#include "app/holders/holders_run.h"
#include "carddata/users_data_index.h"

namespace tollvane {

namespace {

// The stamp of the list file; none when there is no list yet.
std::optional<FileStamp> StampOf(Files& files, const std::string& path) {
    FileStamp stamp;
    if (!files.Stamp(path, stamp)) return std::nullopt;
    return stamp;
}

}  // namespace

HoldersList::HoldersList(Files& files, Sleeper& sleeper, HolderPaths paths, std::string displayPath,
                         std::string usersDataPath)
    : files_(files),
      sleeper_(sleeper),
      paths_(std::move(paths)),
      displayPath_(std::move(displayPath)),
      usersDataPath_(std::move(usersDataPath)) {}

HoldersNote HoldersList::Failed(const MessageTable& texts, const ListFailure& failure) const {
    return {ListFailureText(texts, failure, displayPath_), MessageIcon::Error};
}

void HoldersList::Filter() {
    rows_.clear();
    rows_.reserve(people_.size());
    for (std::size_t i = 0; i < people_.size(); ++i) {
        if (HolderMatches(people_[i], filter_)) rows_.push_back(i);
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

bool HoldersList::HeldElsewhere() {
    FileResult taken;
    const auto hold = ListHold::Take(files_, paths_, taken);
    return !hold && taken.status == FileStatus::HeldElsewhere;
}

template <typename ChangeFn>
std::optional<HoldersNote> HoldersList::Change(const MessageTable& texts, ChangeFn&& change) {
    FileResult taken;
    const auto hold = ListHold::Take(files_, paths_, taken);
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
        Load(texts);  // what the disk holds: the list as it was
        return Failed(texts, *failure);
    }
    stamp_ = StampOf(files_, paths_.list);
    Filter();
    return note;
}

HoldersNote HoldersList::Import(std::string_view bytes, const AnsiToUtf8& ansi,
                                const MessageTable& texts) {
    const std::string text = ImportText(bytes, ansi);
    const auto note = Change(texts, [&]() -> std::optional<HoldersNote> {
        // The numbers handed out so far, read the way the store reads them.
        UsersDataIndex index;
        {
            std::unique_ptr<File> file;
            const FileResult opened =
                OpenWithShareRetry(files_, sleeper_, usersDataPath_, OpenMode::Read, file);
            if (!opened) return HoldersNote{texts[Msg::kUsersDataOpenError], MessageIcon::Error};
            std::uint32_t code = 0;
            const bool built = index.Build([&](const UsersDataIndex::BlockSink& sink) {
                std::vector<std::uint8_t> block(64 * 1024);
                for (;;) {
                    std::size_t got = 0;
                    const FileResult read =
                        file->Read(reinterpret_cast<char*>(block.data()), block.size(), got);
                    if (!read) {
                        code = read.error;
                        return false;
                    }
                    if (got == 0) return true;
                    sink(block.data(), got);
                }
            });
            if (!built)
                return HoldersNote{
                    std::string(texts[Msg::kUsersDataReadError]) + ErrorCodeLine(code),
                    MessageIcon::Error};
        }
        ImportResult result = ReadImport(
            text, [&](const HolderNumber& n) { return index.Contains(UsersDataNumber(n.data())); },
            people_);
        if (!result.refused.empty())
            return HoldersNote{RefusalMessage(result.refused, texts), MessageIcon::Error};
        if (result.people.empty())
            return HoldersNote{texts[Msg::kHoldersNoneInFile], MessageIcon::Warning};
        const std::size_t added = result.people.size();
        people_.insert(people_.end(), std::make_move_iterator(result.people.begin()),
                       std::make_move_iterator(result.people.end()));
        return HoldersNote{FillNumbers(texts[Msg::kHoldersImported], {{'N', added}}),
                           MessageIcon::Success};
    });
    return note.value_or(HoldersNote{});
}

std::optional<HoldersNote> HoldersList::Remove(const std::vector<std::size_t>& places,
                                               const MessageTable& texts) {
    // The places are those of the list as shown; the people are found again
    // by name and number in the list as read under the hold.
    std::vector<CardHolder> chosen;
    for (std::size_t place : places) {
        if (place < people_.size() && people_[place].status == HolderStatus::Waiting)
            chosen.push_back(people_[place]);
    }
    if (chosen.empty()) return std::nullopt;
    return Change(texts, [&]() -> std::optional<HoldersNote> {
        std::map<std::pair<std::string, std::optional<HolderNumber>>, std::size_t> left;
        for (const CardHolder& gone : chosen) ++left[{gone.name, gone.number}];
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

}  // namespace tollvane
