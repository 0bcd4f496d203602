// Every text the operator reads, in Russian and English. Entry numbers are
// stable: 1 to 134 are the order of the original language tables, 135 is the
// usersData.data write failure added beside the other usersData.data texts,
// 136 to 151 are the register of issued cards and its window, 152 on
// the list of card holders, and 201 on the database.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

namespace tollvane {

enum class LanguageId : int { Russian = 0, English = 1 };

enum class Msg : int {
    kMainTitle = 1,
    kKeyListTitle = 2,
    kMenuFile = 3,
    kMenuTools = 4,
    kMenuHelp = 5,
    kMenuQuit = 6,
    kMenuLanguage = 7,
    kMenuReadID = 8,
    kMenuHelpItem = 9,
    kMenuAbout = 10,
    kProgressSearchTimer = 11,
    kProgressReplyTimer = 12,
    kProgressCardTimer = 13,
    kVarnelNotFound = 14,
    kVarnelFound = 15,
    kSelectPortHint = 16,
    kNoComPorts = 17,
    kErrorOpening = 18,
    kConnectionBroken = 19,
    kSettingsRead = 20,
    kUpdateReader = 21,
    kReaderDidNotRespond = 22,
    kInvalidCommand = 23,
    kAnswerNotRecognized = 24,
    kErrorWord = 25,
    kPortReadError = 26,
    kPortWriteError = 27,
    kOperationSuccessful = 28,
    kErr03MainBoard = 29,
    kErr04CardNotPresented = 30,
    kErr05OperationFailed = 31,
    kErr06CardTypeUnsupported = 32,
    kErr07SwitchSl0Sl1 = 33,
    kErr08SwitchSl1Sl3 = 34,
    kErr09TypeMismatchSl3 = 35,
    kErr10Ats = 36,
    kErr11Auth = 37,
    kErr12WriteBlock = 38,
    kErr13ReadBlock = 39,
    kErr14DataCrc = 40,
    kErr15SettingsCrc = 41,
    kErr16NotMaster = 42,
    kErr17TypeMismatchSl1 = 43,
    kErr18NotUser = 44,
    kCaption = 45,
    kSaveSettingsFailed = 46,
    kHelpFileNotFound = 47,
    kHelpFolderHint = 48,
    kHelpCannotOpen = 49,
    kInstallPdfViewer = 50,
    kHelpOpenFailed = 51,
    kErrorCode = 52,
    kConfirmClearCard = 53,
    kUsersDataOpenError = 54,
    kUsersDataReadError = 55,
    kSettingsGroup = 56,
    kCardTypeGroup = 57,
    kCardGroup = 58,
    kMasterGroup = 59,
    kUserGroup = 60,
    kConverterGroup = 61,
    kReaderInterfaceGroup = 62,
    kReaderSettingsGroup = 63,
    kInterfacesGroup = 64,
    kIndicationGroup = 65,
    kStandbyGroup = 66,
    kTouchPollGroup = 67,
    kPortLabel = 68,
    kVersionLabel = 69,
    kRoleLabel = 70,
    kWorkModeLabel = 71,
    kSectorLabel = 72,
    kBlockLabel = 73,
    kCrypto1KeyLabel = 74,
    kAesKeyLabel = 75,
    kSectorDataLabel = 76,
    kRoleMaster = 77,
    kRoleUser = 78,
    kWorkModeCardId = 79,
    kWorkModeSectorData = 80,
    kWorkModeCardIdLoggedIn = 81,
    kWorkModeSectorDataDecrypt = 82,
    kSearchButton = 83,
    kWriteButton = 84,
    kReadButton = 85,
    kClearButton = 86,
    kWriteCyclicButton = 87,
    kClearCyclicButton = 88,
    kGenerateRandomButton = 89,
    kAddToListButton = 90,
    kShowListButton = 91,
    kGenerateUniqueButton = 92,
    kAesAuthCheck = 93,
    kShowKey = 94,
    kUniqueBeforeWriteCheck = 95,
    kIndDirectRadio = 96,
    kIndInverseRadio = 97,
    kStandbyDynamicRadio = 98,
    kStandbyStaticRadio = 99,
    kStandbyOffRadio = 100,
    kTouchPollOnRadio = 101,
    kTouchPollOffRadio = 102,
    kKeyListGroup = 103,
    kKeyListDescriptionLabel = 104,
    kKeyListCrypto1Label = 105,
    kKeyListAesLabel = 106,
    kKeyListDefaultDescription = 107,
    kKeyListAddNew = 108,
    kKeyListUseThisKey = 109,
    kKeyListRemove = 110,
    kKeyListCancel = 111,
    kKeyListColumnNo = 112,
    kKeyListColumnCrypto1 = 113,
    kKeyListColumnAes = 114,
    kKeyListColumnDescription = 115,
    kKeyListColumnTC = 116,
    kKeyListColumnAA = 117,
    kKeyListColumnWM = 118,
    kKeyListColumnSN = 119,
    kKeyListColumnBN = 120,
    kKeysDataNotFound = 121,
    kKeyAlreadyInList = 122,
    kConfirmDeleteKey = 123,
    kTempFileCreateError = 124,
    kKeysDataReadError = 125,
    kTempFileWriteError = 126,
    kKeysDataProblem = 127,
    kKeysDataWriteError = 128,
    kEncryptionFailed = 129,
    kCrKeysDataProblem = 130,
    kReadIdBarcode = 131,
    kReadIdBarcodeHex = 132,
    kReadIdCipher = 133,
    kReadIdCipherDotted = 134,
    kUsersDataWriteError = 135,
    kMenuIssuedCards = 136,
    kIssuedCardsTitle = 137,
    kIssuedCardsGroup = 138,
    kIssuedCardsFilterLabel = 139,
    kIssuedCardsRowsShown = 140,   // followed by the number of rows shown
    kIssuedCardsUserWrites = 141,  // followed by the number of successful User writes
    kIssuedCardsExport = 142,
    kIssuedCardsCopy = 143,
    kIssuedCardsClose = 144,
    kIssuedCardsFileTypes = 145,  // the Save As dialog's file type
    kRegisterCannotWrite = 146,   // followed by the register's path, then 147
    kRegisterCannotWriteAdvice = 147,
    kRegisterNotRecorded = 148,  // followed by the register's path, then 149
    kRegisterNotRecordedAdvice = 149,
    kFileReadError = 150,   // followed by a file's path and "!"
    kFileWriteError = 151,  // followed by a file's path and "!"
    kMenuCardHolders = 152,
    kHoldersTitle = 153,
    kHoldersGroup = 154,
    kHoldersColumnName = 155,
    kHoldersColumnNumber = 156,
    kHoldersColumnStatus = 157,
    kHoldersColumnTime = 158,
    kHoldersCounts = 159,
    kHoldersImport = 160,
    kHoldersRemove = 161,
    kHoldersIssue = 162,
    kHoldersFileTypes = 163,
    kHoldersInUseElsewhere = 164,
    kHoldersNothingImported = 165,
    kHoldersLine = 166,
    kHoldersRefusedEmptyName = 167,
    kHoldersRefusedLongName = 168,
    kHoldersRefusedBadNumber = 169,
    kHoldersRefusedRecorded = 170,
    kHoldersRefusedTwice = 171,
    kHoldersAndMore = 172,
    kHoldersImported = 173,
    kHoldersNoneInFile = 174,
    kHoldersConfirmRemove = 175,
    kHoldersNeedUserWrite = 176,
    kHoldersNobodyWaiting = 177,
    kHoldersAllIssued = 178,
    kHoldersProgressOf = 179,
    kHoldersListDamaged = 180,
    kHoldersCannotSave = 181,
    kHoldersBusy = 182,
    kHoldersStatusWaiting = 183,
    kHoldersStatusIssued = 184,
    kNoReplyLinkClosed = 185,  // the register's Message when silence closed the link without a box
    kRegisterNotSentNotRecorded = 186,  // as 148, for a command that was not sent
    kRegisterNoReplyNotRecorded = 187,  // as 148, for a command that got no reply
    kMenuVerifyAfterWrite = 188,
    kVerifyMismatch = 189,    // %s: the differing fields, 191 to 198, joined by ", "
    kVerifyUnreadable = 190,  // %s: the read's own message
    kFieldNameCardType = 191,
    kFieldNameAesKey = 192,
    kFieldNameReaderSettings = 193,
    kFieldNameWorkMode = 194,
    kFieldNameSector = 195,
    kFieldNameBlock = 196,
    kFieldNameCrypto1Key = 197,
    kFieldNameUniqueData = 198,
    kKeyListInUse = 199,
    kKeyListChangedElsewhere = 200,
    kMenuDatabase = 201,
    kDatabaseTitle = 202,
    kDatabaseConnectionLabel = 203,
    kDatabasePasswordLabel = 204,
    kDatabaseTest = 205,
    kDatabaseSave = 206,
    kDatabaseCopy = 207,
    kDatabaseAnswered = 208,  // %s: the server's version, the database, the user
    kDatabaseNoAnswer = 209,  // %s: the driver's text and SQLSTATE
    kDatabaseSaved = 210,
    kDatabaseCannotSeal = 211,
    kDatabaseNoConnection = 212,
    kDatabaseCopied = 213,  // the counts added now
    kDatabaseCopyConflicts =
        214,  // followed by one line per number: number, recorded number, station
    kDatabaseCopyFilesUnread = 215,  // followed by the file's path and the error code
    kTitleDatabase = 216,            // %s: the database's name
    kTitleUnreachable = 217,
    kTitleQueued = 218,          // %s: the rows in DatabaseQueue.csv
    kDatabaseUnreachable = 219,  // %s: the driver's text and SQLSTATE
    kPutNextCard = 220,          // a cyclic run waits for a card to identify
    kCardJustWritten = 221,      // the card in front was written in this run
    kCardAlreadyIssued = 222,    // %s: the number the register says the card holds
    kHoldersRefusedControl = 223,
    kHoldersFileTooLarge = 224,
    kHoldersTooManyPeople = 225,
    kHoldersReplace = 226,
    kHoldersReasonPrompt = 227,
    kHoldersReasonLost = 228,
    kHoldersReasonDamaged = 229,
    kHoldersReasonOther = 230,
    kHoldersConfirmReplace = 231,
    kHoldersReplaceNeedsOne = 232,
    kHoldersReplaceGone = 233,
    kHoldersRevokeNotRecorded = 234,
    kHoldersReplaced = 235,
    kHoldersExportRevoked = 236,
    kExportOwnFile = 237,
    kHoldersIssuedNotRecorded = 238,
    kHoldersGivenNumberTaken = 239,
    kHoldersRevokedNotSaved = 240,  // %s: the number, the person
};

// No entry: a control whose text is fixed, or that has none.
inline constexpr Msg kNoText = static_cast<Msg>(0);

inline constexpr int kMessageCount = 240;

// Text of one entry in the given language, UTF-8. Never null.
const char* Text(LanguageId lang, Msg id);

// The line a message about a failed system call ends with:
// "\nGetLastError=" and the code as eight upper-case hex digits.
std::string ErrorCodeLine(std::uint32_t code);

// The text with each "%s" in turn replaced by the next value; a value may
// itself hold "%s".
std::string FillText(std::string text, std::initializer_list<std::string> values);

// Language of the Yes/No buttons of the two confirmations: 0 for Russian
// (the user's default language), 9 (LANG_ENGLISH) for English.
std::uint16_t MessageBoxLangId(LanguageId lang);

// The selected table: what the window code reads texts through.
class MessageTable {
public:
    explicit MessageTable(LanguageId lang = LanguageId::Russian) : lang_(lang) {}
    void Load(LanguageId lang) { lang_ = lang; }
    LanguageId Language() const { return lang_; }
    const char* operator[](Msg id) const { return Text(lang_, id); }
    std::uint16_t BoxLangId() const { return MessageBoxLangId(lang_); }

private:
    LanguageId lang_;
};

}  // namespace tollvane
