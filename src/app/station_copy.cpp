#include "app/station_copy.h"

#include <cstdio>
#include <memory>

#include "app/holders/card_holders.h"
#include "app/holders/database_holders.h"
#include "carddata/users_data_index.h"
#include "register/register_reader.h"

namespace tollvane {
namespace {

// usersData.data's records as the file holds them: ten upper-case
// hexadecimal digits each, read as the station itself reads the file.
std::vector<std::string> RecordedNumbers(const std::string& text) {
    std::vector<std::string> numbers;
    for (const std::uint64_t number : UsersDataRecords(text)) {
        char digits[11];
        std::snprintf(digits, sizeof digits, "%010llX", static_cast<unsigned long long>(number));
        numbers.emplace_back(digits);
    }
    return numbers;
}

}  // namespace

FileResult ReadStationFiles(Files& files, Sleeper& sleeper, const StationFilePaths& paths,
                            StationFilesContent& content, std::string& failedPath) {
    content = {};
    std::string text;
    failedPath = paths.usersData;
    if (const FileResult read = ReadWholeFile(files, paths.usersData, text); !read) return read;
    content.numbers = RecordedNumbers(text);
    failedPath = paths.issuedCards;
    if (const FileResult read = ReadWholeFile(files, paths.issuedCards, text); !read) return read;
    RegisterScanner scanner;
    scanner.Feed(text.data(), text.size(), [&](std::uint64_t, std::string_view line) {
        SplitRegisterLine(line, content.registerRows.emplace_back());
    });
    failedPath = paths.cardHolders;
    HolderPaths holderPaths;
    holderPaths.list = paths.cardHolders;
    std::vector<CardHolder> people;
    if (const auto failure = LoadCardHolders(files, sleeper, holderPaths, people)) {
        return FileResult::Failure(failure->systemError);
    }
    for (const CardHolder& person : people) content.people.push_back(HolderRecordOf(person));
    failedPath.clear();
    return FileResult::Success();
}

std::string CopyReportText(const MessageTable& texts, const CopyReport& report) {
    std::string text = FillText(texts[Msg::kDatabaseCopied], {std::to_string(report.numbersAdded),
                                                              std::to_string(report.rowsAdded),
                                                              std::to_string(report.peopleAdded)});
    if (report.conflicts.empty()) return text;
    text += "\n\n" + std::string(texts[Msg::kDatabaseCopyConflicts]);
    for (const CopyReport::Conflict& conflict : report.conflicts) {
        text += "\n" + conflict.number + " — " + conflict.recorded + " (" + conflict.station + ")";
    }
    return text;
}

}  // namespace tollvane
