#include "app/reader/read_id.h"

#include <string>

#include "app/reader/link.h"
#include "protocol/card_id.h"
#include "protocol/frames.h"

namespace tollvane {

namespace {
constexpr unsigned kCardIdReplyDelayMs = 100;
}  // namespace

bool ExchangeCardId(AppContext& app, ReplyBuffer& reply, bool& got) {
    got = false;
    if (!SendToReader(app, kReadsIdsCommand.data(), kReadsIdsCommand.size())) {
        EndOperation(app);
        return false;
    }
    app.sleeper.SleepMs(kCardIdReplyDelayMs);
    got = ReadFromReader(app, reply);
    return true;
}

void ReadCardId(AppContext& app) {
    ReplyBuffer reply;
    bool got = false;
    if (!ExchangeCardId(app, reply, got)) return;
    if (!got) {
        ShowDidNotRespond(app);
        return;
    }
    const CardIdReply card = ParseCardIdReply(reply);
    switch (card.status) {
        case CardIdStatus::BadPrefix:
            app.ShowMessage(Msg::kInvalidCommand, MessageIcon::Error);
            return;
        case CardIdStatus::BadTerminator:
            app.ShowMessage(Msg::kAnswerNotRecognized, MessageIcon::Error);
            return;
        case CardIdStatus::Ok: break;
    }
    const CardIdTexts texts = FormatCardId(card.barcode, card.cipherId);
    const std::string values[4] = {texts.barcodeDec, texts.barcodeHex, texts.cipherDec,
                                   texts.cipherDotted};
    app.shell.ShowReadIdWindow(ReadIdWindowTitle(app.reader.modelLetter, app.reader.versionX100),
                               values);
}

}  // namespace tollvane
