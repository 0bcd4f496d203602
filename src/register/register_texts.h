// The texts of the register of issued cards and of its window, in English
// and Russian, in the shape of the message table's entries.
#pragma once

namespace tollvane {

enum class RegisterMsg : int {
    kMenuIssuedCards,
    kWindowTitle,
    kGroup,
    kFilterLabel,
    kCounts,           // printf: rows shown, successful User writes
    kExportButton,
    kCopyButton,
    kCloseButton,
    kExportFileTypes,  // the Save As dialog's file type
    kCannotWriteBeforeSend,  // printf: path of the register
    kCannotWriteAfterSend,   // printf: path of the register
    kReadError,              // printf: path of the register
    kExportWriteError,       // printf: path of the exported file
    kCount
};

struct RegisterTextEntry {
    const char* english;
    const char* russian;
};

inline constexpr RegisterTextEntry kRegisterTexts[static_cast<int>(RegisterMsg::kCount)] = {
    {"Issued cards...", "Выданные карты..."},
    {"Issued cards", "Выданные карты"},
    {" Register of issued cards ", " Реестр выданных карт "},
    {"Filter:", "Фильтр:"},
    {"Rows shown: %u    Successful User writes: %u",
     "Показано строк: %u    Успешных записей пользовательских карт: %u"},
    {"Export...", "Экспорт..."},
    {"Copy", "Копировать"},
    {"Close", "Закрыть"},
    {"CSV files (*.csv)", "Файлы CSV (*.csv)"},
    {"The register of issued cards cannot be written:\n\r%s\n\r"
     "It may be open in another program (a spreadsheet), the disk may be full or the folder read-only.\n\r"
     "Close the file or free the disk, then try again. No command was sent to the card.",
     "Невозможно записать реестр выданных карт:\n\r%s\n\r"
     "Возможно, он открыт в другой программе (электронной таблице), диск заполнен или папка только для чтения.\n\r"
     "Закройте файл или освободите диск и повторите. Команда на карту не отправлена."},
    {"The card command was carried out, but it could not be recorded in the register of issued cards:\n\r%s\n\r"
     "Note the result and the card data shown by the program. Close the file or free the disk before the next card.",
     "Команда на карту выполнена, но её не удалось записать в реестр выданных карт:\n\r%s\n\r"
     "Запишите результат и данные карты, показанные программой. Закройте файл или освободите диск перед следующей картой."},
    {"Error reading from file %s!", "Ошибка при чтении из файла %s!"},
    {"Error writing to file %s!", "Ошибка при записи в файл %s!"},
};

}  // namespace tollvane
