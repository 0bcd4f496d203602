#include "app/holders/holders_run.h"

#include "app/card_settings.h"
#include "app/holders/holder_texts.h"
#include "app/unique_numbers.h"
#include "protocol/card_id.h"
#include "protocol/frames.h"
#include "protocol/work_mode.h"

namespace tollvane {

namespace {

// Role User and a work mode whose frame carries the sector data.
bool FormSetForUserWrite(const FormView& form) {
    if (SelectedRole(form.Selection(Ctl::RoleCombo)) != 1) return false;
    return CarriesUserData(WorkModeOfItem(form.Selection(Ctl::WorkModeCombo)));
}

}  // namespace

std::string ListFailureText(const MessageTable& texts, const ListFailure& failure,
                            const std::string& path) {
    switch (failure.step) {
        case ListStep::Damaged:
            return FillNumbers(texts[Msg::kHoldersListDamaged], {{'N', failure.systemError}}) +
                   "\n\r" + path;
        case ListStep::Open:
        case ListStep::Read:
            return std::string(texts[Msg::kFileReadError]) + " " + path + "!" +
                   ErrorCodeLine(failure.systemError);
        case ListStep::Write:
        case ListStep::Flush:
        case ListStep::Move: break;
    }
    return std::string(texts[Msg::kHoldersCannotSave]) + "\n\r" + path +
           ErrorCodeLine(failure.systemError);
}

HoldersRun::HoldersRun(Files& files, Sleeper& sleeper, StationClock& clock, HolderPaths paths,
                       std::string displayPath)
    : files_(files),
      sleeper_(sleeper),
      clock_(clock),
      paths_(std::move(paths)),
      displayPath_(std::move(displayPath)) {}

void HoldersRun::ShowListFailure(AppContext& app, const ListFailure& failure) const {
    app.ShowMessage(ListFailureText(app.texts, failure, displayPath_), MessageIcon::Error);
}

bool HoldersRun::Prepare(AppContext& app) {
    End();
    if (!FormSetForUserWrite(app.form)) {
        app.ShowMessage(Msg::kHoldersNeedUserWrite, MessageIcon::Hint);
        return false;
    }
    FileResult taken;
    hold_ = ListHold::Take(files_, sleeper_, paths_, taken);
    if (!hold_) {
        if (taken.status == FileStatus::HeldElsewhere)
            app.ShowMessage(Msg::kHoldersBusy, MessageIcon::Warning);
        else
            ShowListFailure(app, {ListStep::Open, taken.error});
        return false;
    }
    // Read under the hold: what another station saved before is what we
    // go on from.
    if (const auto failure = LoadCardHolders(files_, sleeper_, paths_, people_)) {
        ShowListFailure(app, *failure);
        End();
        return false;
    }
    const HolderCounts counts = CountHolders(people_);
    if (counts.waiting == 0) {
        app.ShowMessage(Msg::kHoldersNobodyWaiting, MessageIcon::Hint);
        End();
        return false;
    }
    waitingAtStart_ = counts.waiting;
    issuedInRun_ = 0;
    current_ = NextWaiting(people_);
    return true;
}

void HoldersRun::Begin(AppContext& app) {
    if (!hold_) return;
    running_ = true;
    StartCardRun(app, CyclicRun::Write, *this);
}

CardNumber HoldersRun::NextNumber(AppContext& app, const CardCommand&) {
    constexpr CardNumber kRefused{CardNumber::Kind::Refused, {}};
    cardNumber_.reset();
    current_ = NextWaiting(people_, current_);
    if (current_ >= people_.size()) return kRefused;
    const CardHolder& person = people_[current_];
    if (person.number) {
        // A given number is recorded as a drawn one would be; one recorded
        // already was recorded for this person by an earlier try (the
        // import refuses numbers the file holds).
        if (const Recording recording = app.users.Record(person.number->data());
            recording == RecordOutcome::Failed) {
            TellStoreFailure(app, recording.failure);
            return kRefused;
        }
        SetHexField(app, Ctl::SectorDataEdit, *person.number);
        cardNumber_ = *person.number;
        return {CardNumber::Kind::Number, *cardNumber_};
    }
    const DrawnNumber drawn = GenerateUniqueIntoForm(app);
    if (drawn.draw != UniqueDraw::Recorded) return kRefused;
    cardNumber_ = drawn.number;
    return {CardNumber::Kind::Number, *cardNumber_};
}

std::string HoldersRun::ProgressSuffix(const MessageTable& texts) const {
    if (!running_ || current_ >= people_.size()) return {};
    return " \xE2\x80\x94 " + people_[current_].name + " " +
           FillNumbers(texts[Msg::kHoldersProgressOf],
                       {{'K', issuedInRun_ + 1}, {'N', waitingAtStart_}});
}

bool HoldersRun::CardFinished(AppContext& app, bool cardDone) {
    // A read-back frame in answer to a write, a mismatch or a read that
    // failed are no card for anyone.
    if (!running_ || current_ >= people_.size() || !cardNumber_ || !cardDone) return false;
    CardHolder& person = people_[current_];
    person.status = HolderStatus::Issued;
    person.number = *cardNumber_;
    person.time = FormatRegisterTime(clock_.Now());
    // The card was identified before its write: the list names it as the
    // register row does.
    if (app.ident.card) {
        const CardIdTexts id = FormatCardId(app.ident.card->barcode, app.ident.card->cipherId);
        person.cardBarcode = id.barcodeDec;
        person.cardCipherId = id.cipherDec;
    }
    cardNumber_.reset();
    ++issuedInRun_;
    if (const auto failure = SaveCardHolders(files_, sleeper_, paths_, people_)) {
        // The card is written and in the register; the list could not say
        // so. The run stops before the next person's card, and the list is
        // let go before the operator reads why.
        End();
        ShowListFailure(app, *failure);
        return false;
    }
    current_ = NextWaiting(people_, current_);
    if (current_ < people_.size()) return true;
    End();
    app.ShowMessage(Msg::kHoldersAllIssued, MessageIcon::Success);
    return false;
}

void HoldersRun::End() {
    running_ = false;
    hold_.reset();
    people_.clear();
    cardNumber_.reset();
    current_ = 0;
}

}  // namespace tollvane
