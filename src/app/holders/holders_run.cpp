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
    if (RoleOfItem(form.Selection(Ctl::RoleCombo)) != CardRole::User) return false;
    return CarriesUserData(WorkModeOfItem(form.Selection(Ctl::WorkModeCombo)));
}

}  // namespace

bool HoldersRun::Prepare(AppContext& app) {
    End();
    if (!FormSetForUserWrite(app.form)) {
        app.ShowMessage(Msg::kHoldersNeedUserWrite, MessageIcon::Hint);
        return false;
    }
    std::size_t waiting = 0;
    if (const auto note = store_.StartRun(waiting, app.texts)) {
        End();
        app.ShowMessage(note->text, note->icon);
        return false;
    }
    const Next next = waiting == 0 ? Next::Nobody : TakeNext(app);
    if (next != Next::Found) {
        if (next == Next::Nobody) app.ShowMessage(Msg::kHoldersNobodyWaiting, MessageIcon::Hint);
        End();
        return false;
    }
    waitingAtStart_ = waiting;
    issuedInRun_ = 0;
    return true;
}

HoldersRun::Next HoldersRun::TakeNext(AppContext& app) {
    person_.reset();
    CardHolder next;
    bool found = false;
    if (const auto note = store_.NextPerson(next, found, app.texts)) {
        End();
        app.ShowMessage(note->text, note->icon);
        return Next::Failed;
    }
    if (!found) return Next::Nobody;
    person_ = std::move(next);
    return Next::Found;
}

void HoldersRun::Begin(AppContext& app) {
    if (!person_) return;  // not prepared
    running_ = true;
    StartCardRun(app, CyclicRun::Write, *this);
}

CardNumber HoldersRun::NextNumber(AppContext& app, const CardCommand&) {
    constexpr CardNumber kRefused{CardNumber::Kind::Refused, {}};
    cardNumber_.reset();
    if (!person_) return kRefused;
    if (person_->number) {
        // A given number was reserved when it was imported, so finding it
        // recorded is the expected case. One whose Wiegand 26 key another
        // number holds would put one Wiegand 26 number on two cards: it is
        // not written, and the person waits for the operator to mend it.
        const Recording recording = app.users.RecordGiven(person_->number->data());
        if (recording == RecordOutcome::Failed) {
            TellStoreFailure(app, recording.failure);
            return kRefused;
        }
        if (recording == RecordOutcome::KeyTaken) {
            app.ShowMessage(FillText(app.texts[Msg::kHoldersGivenNumberTaken],
                                     {HolderNumberText(*person_->number), person_->name}),
                            MessageIcon::Warning);
            return kRefused;
        }
        SetHexField(app, Ctl::SectorDataEdit, *person_->number);
        cardNumber_ = *person_->number;
        return {CardNumber::Kind::Number, *cardNumber_};
    }
    const DrawnNumber drawn = GenerateUniqueIntoForm(app);
    if (drawn.draw != UniqueDraw::Recorded) return kRefused;
    cardNumber_ = drawn.number;
    return {CardNumber::Kind::Number, *cardNumber_};
}

std::string HoldersRun::ProgressSuffix(const MessageTable& texts) const {
    if (!running_ || !person_) return {};
    return " \xE2\x80\x94 " + person_->name + " " +
           FillNumbers(texts[Msg::kHoldersProgressOf],
                       {{'K', issuedInRun_ + 1}, {'N', waitingAtStart_}});
}

bool HoldersRun::CardFinished(AppContext& app, bool cardDone) {
    // A read-back frame in answer to a write, a mismatch or a read that
    // failed are no card for anyone.
    if (!running_ || !person_ || !cardNumber_ || !cardDone) return false;
    if (!IssueCurrent(app)) return false;
    // The next person is taken now: the progress title names them while
    // the operator changes cards.
    const Next next = TakeNext(app);
    if (next == Next::Found) return true;
    End();
    if (next == Next::Nobody) app.ShowMessage(Msg::kHoldersAllIssued, MessageIcon::Success);
    return false;
}

std::string HoldersRun::CardNotRecorded(AppContext& app, bool cardDone) {
    if (!running_ || !person_ || !cardNumber_ || !cardDone) return {};
    const std::string name = person_->name;
    if (!IssueCurrent(app)) return {};
    return FillText(app.texts[Msg::kHoldersIssuedNotRecorded], {name});
}

bool HoldersRun::IssueCurrent(AppContext& app) {
    CardHolder person = *person_;
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
    if (const auto note = store_.Issued(person, app.texts)) {
        // The card is written and in the register; the list could not say
        // so. The run stops before the next person's card, and the list is
        // let go before the operator reads why.
        End();
        app.ShowMessage(note->text, note->icon);
        return false;
    }
    person_.reset();
    return true;
}

void HoldersRun::End() {
    running_ = false;
    store_.EndRun();
    person_.reset();
    cardNumber_.reset();
}

}  // namespace tollvane
