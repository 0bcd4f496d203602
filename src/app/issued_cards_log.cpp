#include "app/issued_cards_log.h"


namespace tollvane {

bool IssuedCardsLog::ReadyForCommand(MessageBoxes& boxes, LanguageId language) {
    pending_.reset();
    if (const auto failure = PrepareRegister(files_, sleeper_, path_)) {
        Tell(boxes, language, std::nullopt, *failure);
        return false;
    }
    return true;
}

void IssuedCardsLog::CommandBuilt(const CommandFrame& frame, const FormSnapshot& form, bool cyclic,
                                  const std::string& port, const std::string& readerVersion) {
    IssuedCardEntry entry = EntryFromFrame(frame, form);
    entry.cyclic = cyclic;
    entry.port = port;
    entry.readerVersion = readerVersion;
    pending_ = std::move(entry);
}

bool IssuedCardsLog::RecordOutcome(IssueResult result, int errorCode, const std::string& message,
                                   MessageBoxes& boxes, LanguageId language) {
    if (!pending_) return true;
    IssuedCardEntry entry = std::move(*pending_);
    pending_.reset();
    entry.time = station_.Now();
    entry.operatorName = station_.OperatorName();
    entry.computer = station_.ComputerName();
    entry.result = result;
    entry.errorCode = errorCode;
    entry.message = message;
    if (const auto failure = AppendRegisterLine(files_, sleeper_, path_, FormatRegisterLine(MakeRegisterRow(entry)))) {
        Tell(boxes, language, result, *failure);
        return false;
    }
    return true;
}

namespace {

// What happened to the command whose row could not be written, in the
// operator's words: he must know whether the card was touched at all.
Msg NotRecordedText(IssueResult result) {
    switch (result) {
        case IssueResult::NotSent: return Msg::kRegisterNotSentNotRecorded;
        case IssueResult::NoReply: return Msg::kRegisterNoReplyNotRecorded;
        case IssueResult::Ok:
        case IssueResult::Error:
        case IssueResult::Unrecognized:
        case IssueResult::Verified:
        case IssueResult::Mismatch:
        case IssueResult::Unverified: break;
    }
    return Msg::kRegisterNotRecorded;
}

}  // namespace

void IssuedCardsLog::Tell(MessageBoxes& boxes, LanguageId language, std::optional<IssueResult> rowResult,
                          const RegisterFailure& failure) {
    // The register's full path between what failed and what to do, so that
    // the operator can find the file.
    const Msg what = rowResult ? NotRecordedText(*rowResult) : Msg::kRegisterCannotWrite;
    const Msg advice = rowResult ? Msg::kRegisterNotRecordedAdvice : Msg::kRegisterCannotWriteAdvice;
    boxes.Show(std::string(Text(language, what)) + "\n\r" + displayPath_ + "\n\r" + Text(language, advice) +
                   ErrorCodeLine(failure.systemError),
               MessageIcon::Error);
}

}  // namespace tollvane
