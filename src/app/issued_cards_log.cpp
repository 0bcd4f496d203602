#include "app/issued_cards_log.h"

#include <cstdio>
#include <vector>

#include "register/register_texts.h"

namespace tollvane {

bool IssuedCardsLog::ReadyForCommand(MessageBoxes& boxes, LanguageId language) {
    pending_.reset();
    if (const auto failure = PrepareRegister(files_, sleeper_, path_)) {
        Tell(boxes, language, false, *failure);
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
        Tell(boxes, language, true, *failure);
        return false;
    }
    return true;
}

void IssuedCardsLog::Tell(MessageBoxes& boxes, LanguageId language, bool afterSend, const RegisterFailure& failure) {
    const RegisterTextEntry& entry =
        kRegisterTexts[static_cast<int>(afterSend ? RegisterMsg::kCannotWriteAfterSend : RegisterMsg::kCannotWriteBeforeSend)];
    const char* pattern = language == LanguageId::English ? entry.english : entry.russian;
    std::vector<char> text(std::char_traits<char>::length(pattern) + displayPath_.size() + 32);
    const int n = std::snprintf(text.data(), text.size(), pattern, displayPath_.c_str());
    std::snprintf(text.data() + n, text.size() - static_cast<std::size_t>(n), "\nGetLastError=%08X",
                  static_cast<unsigned>(failure.systemError));
    boxes.Show(text.data(), MessageIcon::Error);
}

}  // namespace tollvane
