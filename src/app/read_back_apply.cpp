#include "app/read_back_apply.h"

#include "app/card_settings.h"
#include "protocol/read_back.h"

namespace tollvane {

namespace {

CardType CardTypeOf(ReadBackCardType type) {
    switch (type) {
        case ReadBackCardType::Classic: return CardType::Classic;
        case ReadBackCardType::Sl1: return CardType::Sl1;
        case ReadBackCardType::Sl3: return CardType::Sl3;
    }
    return CardType::Classic;
}

}  // namespace

void ApplySettingsReadBack(AppContext& app, const std::uint8_t* frameFromOffset5,
                           std::size_t available) {
    const ReadBackValues card = DecodeReadBack(frameFromOffset5, available);
    CardSettings settings;
    // A Master card brings its type, the reader's settings and its keys; a
    // User card only where its data sits and the data.
    if (card.masterCard) {
        if (card.cardType) settings.cardType = CardTypeOf(*card.cardType);
        settings.aesAuth = card.aesAuthChecked;
        settings.reader = {card.interfaceIndex, card.indicationIndex, card.standbyIndex,
                           card.touchPollIndex};
        settings.crypto1Key = card.crypto1Key;
        settings.aesKey = card.aesKey;
    }
    settings.workMode = card.workMode;
    settings.sector = card.sectorNumber;
    settings.block = card.blockNumber;
    ApplyCardSettings(app, settings);
    if (!card.masterCard && card.uniqueData)
        SetHexField(app, Ctl::SectorDataEdit, *card.uniqueData);
}

}  // namespace tollvane
