#include "base/message_table.h"

#include <cstdio>

namespace tollvane {
namespace {

struct Entry {
    const char* english;
    const char* russian;
};

// Index = entry number - 1.
constexpr Entry kEntries[kMessageCount] = {
    {"Tollvane ver.2.00 (x64)", "Tollvane вер.2.00 (x64)"},     // 1 kMainTitle
    {"Keys", "Ключи"},                                          // 2 kKeyListTitle
    {"File", "Файл"},                                           // 3 kMenuFile
    {"Tools", "Инструменты"},                                   // 4 kMenuTools
    {"Help", "Помощь"},                                         // 5 kMenuHelp
    {"Quit", "Выход"},                                          // 6 kMenuQuit
    {"Language", "Язык"},                                       // 7 kMenuLanguage
    {"Read ID", "Считать ID"},                                  // 8 kMenuReadID
    {"Help", "Справка"},                                        // 9 kMenuHelpItem
    {"About...", "О программе..."},                             // 10 kMenuAbout
    {"Search for Varnel reader", "Поиск считывателя Varnel"},   // 11 kProgressSearchTimer
    {"Reading Varnel settings", "Считывание настроек Varnel"},  // 12 kProgressReplyTimer
    {"Present the card to the reader...",
     "Поднесите карту к считывателю..."},                    // 13 kProgressCardTimer
    {"Varnel not found!", "Varnel не найден!"},              // 14 kVarnelNotFound
    {"Varnel reader found!", "Считыватель Varnel найден!"},  // 15 kVarnelFound
    {"If you are sure that the reader is connected to the PC,\nselect a COM port from the list!",
     "Если Вы уверены, что считыватель подключен к ПК,\nто выберите COM-порт из списка!"},  // 16
                                                                                            // kSelectPortHint
    {"No COM ports found in the system!", "Не найдены COM-порты в системе!"},  // 17 kNoComPorts
    {"Error opening", "Ошибка при открытие"},                                  // 18 kErrorOpening
    {"Connection broken.\n\r(Varnel disabled!)",
     "Соединение нарушено.\n\r(Varnel отключен!)"},  // 19 kConnectionBroken
    {"Settings read!", "Настройки считаны!"},        // 20 kSettingsRead
    {"Update your reader to version 2.00!",
     "Обновите считыватель до версии 2.00!"},  // 21 kUpdateReader
    {"The reader did not respond!\n(Try again or a different COM port).",
     "Считыватель не ответил!\n(Попробуйте ещё раз или другой COM-порт)."},  // 22
                                                                             // kReaderDidNotRespond
    {"Invalid command!", "Неверная команда!"},                               // 23 kInvalidCommand
    {"The answer could not be recognized!",
     "Не удалось распознать ответ!"},                                    // 24 kAnswerNotRecognized
    {"Error", "Ошибка"},                                                 // 25 kErrorWord
    {"when reading from a COM port!", "при считывание из COM-порта!"},   // 26 kPortReadError
    {"when writing to the COM port!", "при записи в COM-порт!"},         // 27 kPortWriteError
    {"The operation was successful!", "Операция завершилась успехом!"},  // 28 kOperationSuccessful
    {"The main reader board did not respond!",
     "Основная плата считывателя не ответила!"},  // 29 kErr03MainBoard
    {"The card was not brought to the reader!",
     "Карту не поднесли к считывателю!"},                         // 30 kErr04CardNotPresented
    {"The operation failed!", "Операция завершилась неудачей!"},  // 31 kErr05OperationFailed
    {"The reader does not support this type of card!",
     "Считыватель не поддерживает данный тип карт!"},  // 32 kErr06CardTypeUnsupported
    {"Error when switching the card from SL0 to SL1!",
     "Ошибка при переключение карты с SL0 на SL1!"},  // 33 kErr07SwitchSl0Sl1
    {"Error when switching the card from SL1 to SL3!",
     "Ошибка при переключение карты с SL1 на SL3!"},  // 34 kErr08SwitchSl1Sl3
    {"Error: Card type does not match at SL3 level!",
     "Ошибка тип карты не соответствует на уровне SL3!"},        // 35 kErr09TypeMismatchSl3
    {"Error while requesting ATS!", "Ошибка при запросе ATS!"},  // 36 kErr10Ats
    {"Error authenticating card sector!",
     "Ошибка при аутентификации сектора карты!"},                            // 37 kErr11Auth
    {"Error writing to block!", "Ошибка при записи в блок!"},                // 38 kErr12WriteBlock
    {"Error reading card block!", "Ошибка при считывании блока карты!"},     // 39 kErr13ReadBlock
    {"Card data block CRC error!", "Ошибка CRC блока данных карты!"},        // 40 kErr14DataCrc
    {"Card settings block CRC error!", "Ошибка CRC блока настроек карты!"},  // 41 kErr15SettingsCrc
    {"Error: The card is not a Master Card!",
     "Ошибка карта не является Мастер-картой!"},  // 42 kErr16NotMaster
    {"Error: Card type does not match at SL1 level!",
     "Ошибка тип карты не соответствует на уровне SL1!"},  // 43 kErr17TypeMismatchSl1
    {"Error: The card is not a User card!",
     "Ошибка карта не является Пользовательской картой!"},  // 44 kErr18NotUser
    {"Message", "Сообщение"},                               // 45 kCaption
    {"Failed to save settings!\nRestart the program.",
     "Не удалось сохранить настройки!\nПерезапустите программу."},  // 46 kSaveSettingsFailed
    {"File not found!\n\rCheck for the presence of the help file (Tollvane ver_2_00.pdf).",
     "Файл не найден!\n\rПроверьте наличие файла справки (Tollvane ver_2_00.pdf)."},  // 47
                                                                                      // kHelpFileNotFound
    {"Open the help folder where the application is installed.\n\rDefault: C:\\Tollvane "
     "ver_2_00\\help",
     "Откройте папку help, где установлено приложение.\n\rПо умолчанию: C:\\Tollvane "
     "ver_2_00\\help"},                                                    // 48 kHelpFolderHint
    {"Help file cannot be opened!", "Файл справки не возможно открыть!"},  // 49 kHelpCannotOpen
    {"Install a PDF viewer on your PC.",
     "Установите на ПК программу для просмотра PDF-файлов."},  // 50 kInstallPdfViewer
    {"Opening the help file failed!",
     "Открытие файла справки завершилось неудачей!"},  // 51 kHelpOpenFailed
    {"Error code", "Код ошибки"},                      // 52 kErrorCode
    {"Are you sure you want to clear the card?",
     "Вы уверены, что хотите очистить карту?"},  // 53 kConfirmClearCard
    {"Error opening file usersData.data!\n\rCheck file availability.\n\rDefault: C:\\Tollvane "
     "ver_2_00\\",
     "Ошибка при открытии файла usersData.data!\n\rПроверьте наличие файла.\n\rПо умолчанию: "
     "C:\\Tollvane ver_2_00\\"},  // 54 kUsersDataOpenError
    {"Error reading from file usersData.data!",
     "Ошибка при чтении из файла usersData.data!"},                      // 55 kUsersDataReadError
    {" Settings ", " Настройки "},                                       // 56 kSettingsGroup
    {" Type card ", " Тип карты "},                                      // 57 kCardTypeGroup
    {" Card ", " Карта "},                                               // 58 kCardGroup
    {" Master card ", " Мастер-карта "},                                 // 59 kMasterGroup
    {" User card ", " Пользовательская карта "},                         // 60 kUserGroup
    {" Custom Card Converter ", " Конвертер пользовательской карты "},   // 61 kConverterGroup
    {" Reader interface ", " Интерфейс считывателя "},                   // 62 kReaderInterfaceGroup
    {" Corvanth reader settings ", " Настройки считывателя Corvanth "},  // 63 kReaderSettingsGroup
    {" 1) INTERFACES: ", " 1) ИНТЕРФЕЙСЫ: "},                            // 64 kInterfacesGroup
    {" 2) INDICATION CONTROL: ", " 2) УПРАВЛЕНИЕ ИНДИКАЦИЕЙ: "},         // 65 kIndicationGroup
    {" 3) INDICATION IN STANDBY MODE: ", " 3) ИНДИКАЦИЯ В ДЕЖУР. РЕЖИМЕ: "},  // 66 kStandbyGroup
    {" 4) TOUCH BUTTON POLL: ", " 4) ОПРОС СЕНСОРНОЙ КНОПКИ: "},              // 67 kTouchPollGroup
    {"Programmer port: ", "Порт считывателя: "},                              // 68 kPortLabel
    {"Version: ", "Версия: "},                                                // 69 kVersionLabel
    {"Type: ", "Тип: "},                                                      // 70 kRoleLabel
    {"Work mode: ", "Режим работы: "},                                        // 71 kWorkModeLabel
    {"Sector num: ", "Номер сектора: "},                                      // 72 kSectorLabel
    {"Block num: ", "Номер блока: "},                                         // 73 kBlockLabel
    {"System key (Crypto1): ", "Ключ сектора (Crypto1): "},                   // 74 kCrypto1KeyLabel
    {"System key (AES128): ", "Ключ сектора (AES128): "},                     // 75 kAesKeyLabel
    {"Sector data (hex): ", "Данные сектора (hex): "},                        // 76 kSectorDataLabel
    {"Master", "Мастер"},                                                     // 77 kRoleMaster
    {"User", "Пользователь"},                                                 // 78 kRoleUser
    {"Send card ID", "Передача кода карты"},                                  // 79 kWorkModeCardId
    {"Send sector data after logged in",
     "Передача данных из указанного сектора"},  // 80 kWorkModeSectorData
    {"Send card ID after logged in",
     "Передача кода карты после успешной авторизации к сектору"},  // 81 kWorkModeCardIdLoggedIn
    {"Send sector data after logged in and decrypt",
     "Передача данных из указанного сектора (с шифрованием)"},  // 82 kWorkModeSectorDataDecrypt
    {"SEARCH", "ПОИСК"},                                        // 83 kSearchButton
    {"Write", "Записать"},                                      // 84 kWriteButton
    {"Read", "Считать"},                                        // 85 kReadButton
    {"Clear", "Очистить"},                                      // 86 kClearButton
    {"Write cyclically", "Циклическая запись"},                 // 87 kWriteCyclicButton
    {"Clear cyclically", "Циклическая очистка"},                // 88 kClearCyclicButton
    {"Generate random", "Сгенерировать"},                       // 89 kGenerateRandomButton
    {"Add to list", "Добавить в список"},                       // 90 kAddToListButton
    {"Show list", "Показать список"},                           // 91 kShowListButton
    {"Generate unique", "Сгенерировать"},                       // 92 kGenerateUniqueButton
    {"Additional AES128 authentication", "Доп. аутентификация AES128"},  // 93 kAesAuthCheck
    {"Show Key", "Показать ключ"},                                       // 94 kShowKey
    {"Generate unique data before write",
     "Генерировать уникальные данные перед записью"},      // 95 kUniqueBeforeWriteCheck
    {"Direct (active '1')", "Прямая (активная '1')"},      // 96 kIndDirectRadio
    {"Inverse (active '0')", "Инверсная (активный '0')"},  // 97 kIndInverseRadio
    {"Dynamic", "Динамическая"},                           // 98 kStandbyDynamicRadio
    {"Static", "Статическая"},                             // 99 kStandbyStaticRadio
    {"Off", "Выкл."},                                      // 100 kStandbyOffRadio
    {"On", "Вкл."},                                        // 101 kTouchPollOnRadio
    {"Off", "Выкл."},                                      // 102 kTouchPollOffRadio
    {" Keys list ", " Список ключей "},                    // 103 kKeyListGroup
    {"Description:", "Описание:"},                         // 104 kKeyListDescriptionLabel
    {"Key (Crypto1): ", "Ключ (Crypto1): "},               // 105 kKeyListCrypto1Label
    {"Key (AES128): ", "Ключ (AES128): "},                 // 106 kKeyListAesLabel
    {"Key Description", "Описание ключа"},                 // 107 kKeyListDefaultDescription
    {"Add new", "Добавить новый"},                         // 108 kKeyListAddNew
    {"Use This Key", "Использовать"},                      // 109 kKeyListUseThisKey
    {"Remove", "Удалить"},                                 // 110 kKeyListRemove
    {"Cancel", "Отмена"},                                  // 111 kKeyListCancel
    {"No.", "№"},                                          // 112 kKeyListColumnNo
    {"Key (Crypto1)", "Ключ (Crypto1)"},                   // 113 kKeyListColumnCrypto1
    {"Key (AES128)", "Ключ (AES128)"},                     // 114 kKeyListColumnAes
    {"Description", "Описание"},                           // 115 kKeyListColumnDescription
    {"TC", "ТК"},                                          // 116 kKeyListColumnTC
    {"AA", "ДА"},                                          // 117 kKeyListColumnAA
    {"WM", "РР"},                                          // 118 kKeyListColumnWM
    {"SN", "НС"},                                          // 119 kKeyListColumnSN
    {"BN", "НБ"},                                          // 120 kKeyListColumnBN
    {"keys.data file not found...", "Не найден файл keys.data..."},     // 121 kKeysDataNotFound
    {"Key already exit at the list.", "Ключ уже находится в списке."},  // 122 kKeyAlreadyInList
    {"Are you sure you want to delete the key?",
     "Вы точно хотите удалить ключ?"},  // 123 kConfirmDeleteKey
    {"Error creating temporary file!",
     "Ошибка при создании временного файла!"},  // 124 kTempFileCreateError
    {"Unable to read from file keys.data!",
     "Невозможно прочитать из файла keys.data!"},  // 125 kKeysDataReadError
    {"An error occurred while writing to the temporary file!",
     "Произошла ошибка при записи во временный файл!"},  // 126 kTempFileWriteError
    {"There was a problem with the file keys.data!\nThe keys were not recorded!",
     "Произошел сбой с файлом keys.data!\nКлючи не были записаны!"},  // 127 kKeysDataProblem
    {"An error occurred while writing to the file keys.data!",
     "Произошла ошибка при записи в файл keys.data!"},  // 128 kKeysDataWriteError
    {"Encryption failed!\nThe keys were not recorded!",
     "Сбой при шифровании!\nКлючи не были записаны!"},  // 129 kEncryptionFailed
    {"There was a problem with the file crkeys.data!\nThe keys were not recorded!",
     "Произошел сбой с файлом crkeys.data!\nКлючи не были записаны!"},  // 130 kCrKeysDataProblem
    {"Barcode", "Штрих-код"},                                           // 131 kReadIdBarcode
    {"Barcode (hex)", "Штрих-код (hex)"},                               // 132 kReadIdBarcodeHex
    {"ID cipher", "ID шифра"},                                          // 133 kReadIdCipher
    {"ID cipher (x.x.x.x)", "ID шифра (x.x.x.x)"},                      // 134 kReadIdCipherDotted
    {"Error writing to file usersData.data!",
     "Ошибка при записи в файл usersData.data!"},                    // 135 kUsersDataWriteError
    {"Issued cards...", "Выданные карты..."},                        // 136 kMenuIssuedCards
    {"Issued cards", "Выданные карты"},                              // 137 kIssuedCardsTitle
    {" Register of issued cards ", " Реестр выданных карт "},        // 138 kIssuedCardsGroup
    {"Filter:", "Фильтр:"},                                          // 139 kIssuedCardsFilterLabel
    {"Rows shown:", "Показано строк:"},                              // 140 kIssuedCardsRowsShown
    {"Successful User writes:", "Записано пользовательских карт:"},  // 141 kIssuedCardsUserWrites
    {"Export...", "Экспорт..."},                                     // 142 kIssuedCardsExport
    {"Copy", "Копировать"},                                          // 143 kIssuedCardsCopy
    {"Close", "Закрыть"},                                            // 144 kIssuedCardsClose
    {"CSV files (*.csv)", "Файлы CSV (*.csv)"},                      // 145 kIssuedCardsFileTypes
    {"The register of issued cards cannot be written:",
     "Не удаётся внести запись в реестр выданных карт:"},  // 146 kRegisterCannotWrite
    {"It may be open in another program (a spreadsheet), the disk may be full or the folder "
     "read-only.\n\r"
     "Close the file or free the disk, then try again. No command was sent to the card.",
     "Возможно, файл открыт в другой программе (например, в электронной таблице), диск заполнен "
     "или папка доступна "
     "только для чтения.\n\r"
     "Закройте файл или освободите место на диске и повторите операцию. Команда программатору не "
     "отправлена."},  // 147 kRegisterCannotWriteAdvice
    {"The card command was carried out, but it could not be recorded in the register of issued "
     "cards:",
     "Команда выполнена, но её результат не удалось внести в реестр выданных карт:"},  // 148
                                                                                       // kRegisterNotRecorded
    {"Note the result and the card data shown by the program. Close the file or free the disk "
     "before the next card.",
     "Перепишите вручную результат и данные карты, показанные программой. Закройте файл или "
     "освободите место на диске, "
     "прежде чем программировать следующую карту."},            // 149 kRegisterNotRecordedAdvice
    {"Error reading from file", "Ошибка при чтении из файла"},  // 150 kFileReadError
    {"Error writing to file", "Ошибка при записи в файл"},      // 151 kFileWriteError
    {"Card holders...", "Владельцы карт..."},                   // 152 kMenuCardHolders
    {"Card holders", "Владельцы карт"},                         // 153 kHoldersTitle
    {" People to get a card ", " Кому выдать карты "},          // 154 kHoldersGroup
    {"Name", "Имя"},                                            // 155 kHoldersColumnName
    {"Number", "Номер"},                                        // 156 kHoldersColumnNumber
    {"Status", "Статус"},                                       // 157 kHoldersColumnStatus
    {"Time", "Время"},                                          // 158 kHoldersColumnTime
    {"On the list: N  Issued: I  Waiting: W",
     "В списке: N  Выдано: I  Ожидают: W"},                             // 159 kHoldersCounts
    {"Import...", "Импорт..."},                                         // 160 kHoldersImport
    {"Remove", "Удалить"},                                              // 161 kHoldersRemove
    {"Issue cards", "Выдать карты"},                                    // 162 kHoldersIssue
    {"Lists of people (*.csv, *.txt)", "Списки людей (*.csv, *.txt)"},  // 163 kHoldersFileTypes
    {"The list is in use at another station: it is shown read-only.",
     "Список открыт на другой станции; здесь он доступен только для просмотра."},  // 164
                                                                                   // kHoldersInUseElsewhere
    {"Nothing was imported. Refused lines:",
     "Ничего не импортировано. Отклонённые строки:"},  // 165 kHoldersNothingImported
    {"Line", "Строка"},                                // 166 kHoldersLine
    {"the name is empty", "пустое имя"},               // 167 kHoldersRefusedEmptyName
    {"the name is longer than 200 characters",
     "имя длиннее 200 символов"},  // 168 kHoldersRefusedLongName
    {"the number is not 14 hexadecimal digits",
     "номер должен состоять из 14 шестнадцатеричных цифр"},  // 169 kHoldersRefusedBadNumber
    {"the number is already recorded in usersData.data",
     "номер уже записан в usersData.data"},                        // 170 kHoldersRefusedRecorded
    {"the number is given twice", "номер указан дважды"},          // 171 kHoldersRefusedTwice
    {"and N more", "и ещё N"},                                     // 172 kHoldersAndMore
    {"People added to the list: N.", "Добавлено в список: N."},    // 173 kHoldersImported
    {"The file holds no names.", "В файле нет ни одного имени."},  // 174 kHoldersNoneInFile
    {"Take the selected waiting people off the list?",
     "Удалить из списка выбранных людей, ожидающих карту?"},  // 175 kHoldersConfirmRemove
    {"To issue cards, set the form for a User write: the role User and a work mode that sends "
     "sector data.",
     "Чтобы выдать карты, выберите в поле „Тип:“ значение „Пользователь“ и режим работы с "
     "передачей данных из сектора."},  // 176 kHoldersNeedUserWrite
    {"Nobody on the list is waiting for a card.",
     "В списке нет ожидающих карту."},  // 177 kHoldersNobodyWaiting
    {"Every person on the list has a card.",
     "Карты выданы всем из списка."},  // 178 kHoldersAllIssued
    {"(K of N)", "(K из N)"},          // 179 kHoldersProgressOf
    {"The list of card holders is damaged at line N:",
     "Список владельцев карт повреждён в строке N:"},  // 180 kHoldersListDamaged
    {"The list of card holders could not be saved:",
     "Не удалось сохранить список владельцев карт:"},  // 181 kHoldersCannotSave
    {"The list of card holders is in use at another station. Try again when it is free.\n"
     "If it stays in use while no other station has the list open, a station that was switched off "
     "or lost "
     "the network may still hold it for some minutes: start that station again and close Tollvane "
     "there, or wait.",
     "Список владельцев карт занят на другой станции. Повторите, когда он освободится.\n"
     "Если список остаётся занятым, хотя ни на одной станции он не открыт, его может ещё несколько "
     "минут "
     "удерживать станция, которую выключили или которая потеряла сеть: включите её и закройте на "
     "ней Tollvane "
     "или подождите."},      // 182 kHoldersBusy
    {"waiting", "ожидает"},  // 183 kHoldersStatusWaiting
    {"issued", "выдано"},    // 184 kHoldersStatusIssued
    {"The reader did not answer in time; the connection was closed.",
     "Программатор не ответил за время ожидания; соединение закрыто."},  // 185 kNoReplyLinkClosed
    {"The card command was not sent, and this could not be recorded in the register of issued "
     "cards:",
     "Команда программатору не отправлена; записать это в реестр выданных карт не удалось:"},  // 186
                                                                                               // kRegisterNotSentNotRecorded
    {"The reader did not answer the card command, and this could not be recorded in the register "
     "of issued cards:",
     "Программатор не ответил на команду; записать это в реестр выданных карт не удалось:"},  // 187
                                                                                              // kRegisterNoReplyNotRecorded
    {"Verify after write", "Проверять после записи"},  // 188 kMenuVerifyAfterWrite
    {"The card does not hold what was written!\nDiffers: %s.\nPut this card aside.",
     "На карте не то, что было записано!\nРасхождения: %s.\nОтложите эту карту."},  // 189
                                                                                    // kVerifyMismatch
    {"The card was written, but it could not be read back to check it:\n%s",
     "Карта записана, но прочитать её для проверки не удалось:\n%s"},  // 190 kVerifyUnreadable
    {"card type", "тип карты"},                                        // 191 kFieldNameCardType
    {"AES128 key", "ключ AES128"},                                     // 192 kFieldNameAesKey
    {"reader settings", "настройки считывателя"},  // 193 kFieldNameReaderSettings
    {"work mode", "режим работы"},                 // 194 kFieldNameWorkMode
    {"sector", "сектор"},                          // 195 kFieldNameSector
    {"block", "блок"},                             // 196 kFieldNameBlock
    {"Crypto1 key", "ключ Crypto1"},               // 197 kFieldNameCrypto1Key
    {"unique data", "уникальные данные"},          // 198 kFieldNameUniqueData
    {"The key list is in use at another station.\nNothing was changed. Try again in a few "
     "seconds.\n"
     "If it stays in use while no other station works with the list, a station that was switched "
     "off or lost "
     "the network may still hold it for some minutes: start that station again and close Tollvane "
     "there, or wait.",
     "Список ключей сейчас используется на другой станции.\nНичего не изменено. Повторите попытку "
     "через несколько секунд.\n"
     "Если список остаётся занятым, хотя с ним никто не работает, его может ещё несколько минут "
     "удерживать "
     "станция, которую выключили или которая потеряла сеть: включите её и закройте на ней Tollvane "
     "или подождите."},  // 199 kKeyListInUse
    {"The key list was changed at another station, so nothing was done.\nThe list is shown again "
     "as it is now: "
     "choose the entry again.",
     "Список ключей был изменён на другой станции, поэтому ничего не сделано.\nСписок показан "
     "заново в нынешнем "
     "виде: выберите запись ещё раз."},                           // 200 kKeyListChangedElsewhere
    {"Database...", "База данных..."},                            // 201 kMenuDatabase
    {"Database", "База данных"},                                  // 202 kDatabaseTitle
    {"Connection string (ODBC):", "Строка подключения (ODBC):"},  // 203 kDatabaseConnectionLabel
    {"Password:", "Пароль:"},                                     // 204 kDatabasePasswordLabel
    {"Test connection", "Проверить подключение"},                 // 205 kDatabaseTest
    {"Save", "Сохранить"},                                        // 206 kDatabaseSave
    {"Copy this station's records to the database",
     "Скопировать записи этой станции в базу данных"},  // 207 kDatabaseCopy
    {"The database answered.\nServer: %s\nDatabase: %s\nUser: %s",
     "База данных ответила.\nСервер: %s\nБаза данных: %s\nПользователь: %s"},  // 208
                                                                               // kDatabaseAnswered
    {"The database did not answer:\n%s", "База данных не ответила:\n%s"},  // 209 kDatabaseNoAnswer
    {"The settings were saved. They take effect when the program is started again.",
     "Настройки сохранены. Они вступят в силу при следующем запуске программы."},  // 210
                                                                                   // kDatabaseSaved
    {"The password could not be protected for this computer, so it was not saved.",
     "Пароль не удалось защитить для этого компьютера, поэтому он не сохранён."},  // 211
                                                                                   // kDatabaseCannotSeal
    {"Enter the connection string first.",
     "Сначала введите строку подключения."},  // 212 kDatabaseNoConnection
    {"Copied to the database: %s numbers, %s register rows, %s card holders.",
     "Скопировано в базу данных: номеров %s, строк реестра %s, владельцев карт %s."},  // 213
                                                                                       // kDatabaseCopied
    {"Numbers that another station had already recorded (each was given twice before the move):",
     "Номера, уже записанные другой станцией (каждый был выдан дважды до переноса):"},  // 214
                                                                                        // kDatabaseCopyConflicts
    {"The station's files could not be read; nothing was copied:",
     "Файлы станции не удалось прочитать; ничего не скопировано:"},  // 215 kDatabaseCopyFilesUnread
    {" — database %s", " — база данных %s"},                         // 216 kTitleDatabase
    {" (unreachable)", " (недоступна)"},                             // 217 kTitleUnreachable
    {", register rows waiting: %s", ", строк реестра в очереди: %s"},  // 218 kTitleQueued
    {"The database cannot be reached:\n%s\nNo card was written.",
     "База данных недоступна:\n%s\nКарта не записана."},  // 219 kDatabaseUnreachable
    {"Put the next card on the programmer.",
     "Положите следующую карту на программатор."},  // 220 kPutNextCard
    {"This card has just been written. Take it away and put the next one.",
     "Эта карта только что записана. Уберите её и положите следующую."},  // 221 kCardJustWritten
    {"This card was already issued with the number %s. Put a blank card on the programmer.",
     "Эта карта уже выдана с номером %s. Положите чистую карту на программатор."},  // 222
                                                                                    // kCardAlreadyIssued
    {"the name holds a control character",
     "в имени есть управляющий символ"},  // 223 kHoldersRefusedControl
    {"The file is larger than 16 MB: nothing was imported. Split it into smaller files.",
     "Файл больше 16 МБ: ничего не импортировано. Разделите его на файлы поменьше."},  // 224
                                                                                       // kHoldersFileTooLarge
    {"The file holds more than 1,000,000 people: nothing was imported. Split it into smaller "
     "files.",
     "В файле больше 1 000 000 человек: ничего не импортировано. Разделите его на файлы "
     "поменьше."},                                              // 225 kHoldersTooManyPeople
    {"Replace card...", "Заменить карту..."},                   // 226 kHoldersReplace
    {"Why is the card replaced?", "Почему заменяется карта?"},  // 227 kHoldersReasonPrompt
    {"Lost", "Утеряна"},                                        // 228 kHoldersReasonLost
    {"Damaged", "Повреждена"},                                  // 229 kHoldersReasonDamaged
    {"Other reason", "Другая причина"},                         // 230 kHoldersReasonOther
    {"Replace the card of %s?\nThe number %s is revoked: it is never given again, and the person "
     "waits for a new card.",
     "Заменить карту: %s?\nНомер %s будет отозван: он больше никогда не выдаётся, а человек будет "
     "ждать новую карту."},  // 231 kHoldersConfirmReplace
    {"Select one person who has a card.",
     "Выберите одного человека, у которого есть карта."},  // 232 kHoldersReplaceNeedsOne
    {"This person no longer has this card on the list (the list was changed at another station). "
     "Nothing was changed.",
     "У этого человека в списке уже нет этой карты (список изменён на другой станции). Ничего не "
     "изменено."},  // 233 kHoldersReplaceGone
    {"The revoked number could not be written to the register of issued cards, so nothing was "
     "changed:",
     "Отзыв номера не удалось записать в реестр выданных карт, поэтому ничего не изменено:"},  // 234
                                                                                               // kHoldersRevokeNotRecorded
    {"The number %s is revoked; %s waits for a new card. Export the revoked numbers for the "
     "access controller.",
     "Номер %s отозван; %s ждёт новую карту. Выгрузите отозванные номера для контроллера "
     "доступа."},                                                    // 235 kHoldersReplaced
    {"Export revoked numbers...", "Экспорт отозванных номеров..."},  // 236 kHoldersExportRevoked
    {"This is one of the program's own files. Choose another name for the export.",
     "Это один из файлов программы. Выберите для экспорта другое имя."},  // 237 kExportOwnFile
    {"The card holds the number of %s, who is marked issued on the list, but its row could not be "
     "saved in the register of issued cards:",
     "На карте записан номер для: %s, в списке карта отмечена выданной, но её строку не удалось "
     "сохранить в реестре выданных карт:"},  // 238 kHoldersIssuedNotRecorded
    {"The number %s given to %s shares its first three bytes (what a Wiegand 26 reader sends) with "
     "another number in usersData.data, so it was not written. The person stays waiting: remove "
     "them and import them again with another number.",
     "Номер %s, назначенный для: %s, совпадает первыми тремя байтами (тем, что передаёт "
     "считыватель Wiegand 26) с другим номером в usersData.data, поэтому он не записан. Человек "
     "остаётся в ожидании: удалите его и импортируйте снова с другим номером."},  // 239
                                                                                  // kHoldersGivenNumberTaken
    {"The number %s is revoked in the register, but the list of card holders could not be saved, "
     "so %s still shows as issued. Choose \"Replace card...\" again: the number is not revoked "
     "twice.",
     "Номер %s отозван в реестре, но список владельцев карт не удалось сохранить, поэтому в нём "
     "карта для: %s по-прежнему отмечена выданной. Выберите „Заменить карту...“ ещё раз: номер не "
     "будет отозван дважды."},  // 240 kHoldersRevokedNotSaved
};

}  // namespace

const char* Text(LanguageId lang, Msg id) {
    const int n = static_cast<int>(id);
    if (n < 1 || n > kMessageCount) return "";
    const Entry& e = kEntries[n - 1];
    return lang == LanguageId::English ? e.english : e.russian;
}

std::string ErrorCodeLine(std::uint32_t code) {
    char line[32];
    std::snprintf(line, sizeof line, "\nGetLastError=%08X", static_cast<unsigned>(code));
    return line;
}

std::string FillText(std::string text, std::initializer_list<std::string> values) {
    std::size_t from = 0;
    for (const std::string& value : values) {
        const std::size_t at = text.find("%s", from);
        if (at == std::string::npos) break;
        text.replace(at, 2, value);
        from = at + value.size();
    }
    return text;
}

std::uint16_t MessageBoxLangId(LanguageId lang) { return lang == LanguageId::English ? 9 : 0; }

}  // namespace tollvane
