#include "app/holders/holders_list.h"

#include <utility>

#include "app/holders/holder_texts.h"

namespace tollvane {

Msg ReplaceReasonText(ReplaceReason reason) {
    switch (reason) {
        case ReplaceReason::Lost: return Msg::kHoldersReasonLost;
        case ReplaceReason::Damaged: return Msg::kHoldersReasonDamaged;
        case ReplaceReason::Other: break;
    }
    return Msg::kHoldersReasonOther;
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
    const auto note = store_.Load(people_, texts);
    Filter();
    return note;
}

std::optional<HoldersNote> HoldersList::Refresh(const MessageTable& texts, bool& changed) {
    changed = false;
    if (!store_.MayHaveChanged()) return std::nullopt;
    std::vector<CardHolder> before = std::move(people_);
    const auto note = Load(texts);
    changed = note.has_value() || people_ != before;
    return note;
}

bool HoldersList::HeldElsewhere() { return store_.HeldElsewhere(); }

std::optional<HoldersNote> HoldersList::Changed(std::optional<HoldersNote> note,
                                                const MessageTable& texts) {
    // A list that cannot be read now was changed all the same: its note
    // comes first, the change's is what the operator asked about.
    if (auto unread = Load(texts); unread && !note) return unread;
    return note;
}

HoldersNote HoldersList::Import(std::string_view bytes, const AnsiToUtf8& ansi,
                                const MessageTable& texts) {
    if (bytes.size() > kMaxImportBytes)
        return {texts[Msg::kHoldersFileTooLarge], MessageIcon::Error};
    return Changed(store_.Import(ImportText(bytes, ansi), texts), texts).value_or(HoldersNote{});
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
    return Changed(store_.Remove(chosen, texts), texts);
}

std::optional<HoldersNote> HoldersList::Replace(const HolderIdentity& who, ReplaceReason reason,
                                                IssuedCardsLog& log, const MessageTable& texts) {
    // The number is revoked before the list lets the person wait again, so
    // that a lost card is never left unblocked. When the list cannot be
    // saved after it, the operator replaces the card again, and the number
    // is not revoked twice.
    bool revoked = false;
    std::string number;
    const auto registerNote = [&](const RegisterFailure& failure) {
        return HoldersNote{std::string(texts[Msg::kHoldersRevokeNotRecorded]) + "\n\r" +
                               log.DisplayPath() +
                               ErrorCodeLine(static_cast<std::uint32_t>(failure.systemError)),
                           MessageIcon::Error};
    };
    const auto revoke = [&](const CardHolder& person) -> std::optional<HoldersNote> {
        number = HolderNumberText(*person.number);
        bool before = false;
        if (const auto failure = log.NumberRevoked(number, before)) return registerNote(*failure);
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
        if (!before) {
            if (const auto failure = log.Record(std::move(entry))) return registerNote(*failure);
        }
        revoked = true;
        return std::nullopt;
    };
    auto note = store_.Replace(who, revoke, texts);
    if (!note && revoked)
        note = HoldersNote{FillTexts(texts[Msg::kHoldersReplaced], {number, who.name}),
                           MessageIcon::Success};
    if (revoked && note && note->icon == MessageIcon::Error) {
        note->text =
            FillText(texts[Msg::kHoldersRevokedNotSaved], {number, who.name}) + "\n\r" + note->text;
    }
    return Changed(std::move(note), texts);
}

}  // namespace tollvane
