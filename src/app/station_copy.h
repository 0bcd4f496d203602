// "Copy this station's records to the database": what the station's files
// hold (usersData.data's numbers, IssuedCards.csv's rows, CardHolders.csv's
// people), read for the database's copy, and the operator's report of it.
#pragma once

#include <string>

#include "base/files.h"
#include "base/message_table.h"
#include "base/ui.h"
#include "database/station_db.h"

namespace tollvane {

struct StationFilePaths {
    std::string usersData = "usersData.data";
    std::string issuedCards = "IssuedCards.csv";
    std::string cardHolders = "CardHolders.csv";
};

// Reads the three files; a missing one holds nothing. On a failure, failedPath
// names the file and the result says why.
FileResult ReadStationFiles(Files& files, Sleeper& sleeper, const StationFilePaths& paths,
                            StationFilesContent& content, std::string& failedPath);

// "Copied to the database: ..." and, when there were any, the numbers another
// station had recorded, one a line.
std::string CopyReportText(const MessageTable& texts, const CopyReport& report);

}  // namespace tollvane
