#include "app/read_back_apply.h"

#include <algorithm>

#include "app/form_rules.h"
#include "protocol/read_back.h"

namespace tollvane {

namespace {

void CheckNth(FormView& form, Ctl first, Ctl last, const std::optional<int>& index) {
    if (!index) return;
    CheckRadio(form, first, last, static_cast<Ctl>(static_cast<int>(first) + *index));
}

// Only check marks change here; which controls are enabled follows from the
// form rule applied afterwards, which reads these boxes.
void PutCardType(FormView& form, const ReadBackValues& card) {
    if (card.cardType) {
        const ReadBackCardType type = *card.cardType;
        form.SetChecked(Ctl::ClassicCheck, type == ReadBackCardType::Classic);
        form.SetChecked(Ctl::PlusCheck, type != ReadBackCardType::Classic);
        form.SetChecked(Ctl::Sl1Radio, type == ReadBackCardType::Sl1);
        form.SetChecked(Ctl::Sl3Radio, type == ReadBackCardType::Sl3);
    }
    if (card.aesAuthChecked) form.SetChecked(Ctl::AesAuthCheck, *card.aesAuthChecked);
}

}  // namespace

void ApplySettingsReadBack(AppContext& app, const std::uint8_t* frameFromOffset5, std::size_t available) {
    FormView& form = app.form;
    const ReadBackValues card = DecodeReadBack(frameFromOffset5, available);

    if (card.masterCard) {
        PutCardType(form, card);
        CheckNth(form, Ctl::IfTouchMemoryRadio, Ctl::IfW58Radio, card.interfaceIndex);
        CheckNth(form, Ctl::IndDirectRadio, Ctl::IndInverseRadio, card.indicationIndex);
        CheckNth(form, Ctl::StandbyDynamicRadio, Ctl::StandbyOffRadio, card.standbyIndex);
        CheckNth(form, Ctl::TouchPollOnRadio, Ctl::TouchPollOffRadio, card.touchPollIndex);
    }

    // The role is the one chosen on the form, not the card's: the layout
    // must fit what the operator is about to do next.
    if (card.workModeIndex) {
        ApplyFormRule(app, form.Selection(Ctl::RoleCombo) * 10 + *card.workModeIndex);
        form.SetSelection(Ctl::WorkModeCombo, *card.workModeIndex);
    }

    // The up-down controls cannot show a sector or block outside their
    // ranges, and the next write sends what the form shows: a card with
    // damaged settings is held to the ranges, as a key record is.
    app.values.sectorNumber = std::clamp(card.sectorNumber, 1, 15);
    form.SetUpDownPos(Ctl::SectorUpDown, app.values.sectorNumber);
    app.values.blockNumber = std::clamp(card.blockNumber, 0, 2);
    form.SetUpDownPos(Ctl::BlockUpDown, app.values.blockNumber);

    if (card.masterCard) {
        if (card.crypto1Key) {
            app.values.crypto1Key = *card.crypto1Key;
            app.values.crypto1KeyText = card.crypto1KeyText;
            form.SetText(Ctl::Crypto1KeyEdit, app.values.crypto1KeyText);
        }
        if (card.aesKey) {
            app.values.aesKey = *card.aesKey;
            app.values.aesKeyText = card.aesKeyText;
            form.SetText(Ctl::AesKeyEdit, app.values.aesKeyText);
        }
    } else if (card.uniqueData) {
        app.values.uniqueData = *card.uniqueData;
        app.values.uniqueDataText = card.uniqueDataText;
        form.SetText(Ctl::SectorDataEdit, app.values.uniqueDataText);
        RefreshConverterFields(app);
    }
}

}  // namespace tollvane
