// Every text the user can read. The source is UTF-8; the Windows build stores the texts in
// Windows-1251 for the ANSI calls.
#pragma once

namespace MessageCatalogue {

inline constexpr char kErrorCaption[] = "Ошибка";
inline constexpr char kAboutCaption[] = "О программе";
inline constexpr char kAboutText[] =
    "KORVANE v1.0 Сборщик флеш-образов, написан разработчиками KORVANE.";
inline constexpr char kCompletionCaption[] = "Сообщение";
inline constexpr char kCompletionText[] = "Преобразование завершено!";

inline constexpr char kFirmwareDialogTitle[] = "Выберите микропрограмму";
inline constexpr char kCalibrationDialogTitle[] = "Выберите калибровки";
inline constexpr char kOutputDialogTitle[] = "Выберите выходной файл";

inline constexpr char kFirmwareOpenError[] = "Ошибка открытия микропрограммы";
inline constexpr char kCalibrationOpenError[] = "Ошибка открытия калибровок";
inline constexpr char kOutputOpenError[] = "Ошибка открытия выходного файла";
inline constexpr char kWriteError[] = "Ошибка записи файла";
inline constexpr char kCalibrationReadError[] = "Ошибка чтения калибровок";
inline constexpr char kFirmwareReadError[] = "Ошибка чтения микропрограммы";
inline constexpr char kInterruptTableMissing[] = "Таблица прерываний не найдена";
inline constexpr char kFirmwareTooLarge[] = "Микропрограмма слишком велика";
inline constexpr char kOutputIsInput[] = "Выходной файл совпадает с входным";
inline constexpr char kPathTooLong[] = "Путь длиннее 259 байт";
inline constexpr char kStartFolderLost[] = "Папка запуска недоступна";

// The terminal stands in for the file dialogs with these; the desktop dialogs show the file
// not found and read-only notes too.
inline constexpr char kNoteFileNotFound[] = "Файл не найден.";
inline constexpr char kNoteFolderNotFound[] = "Папка не найдена.";
inline constexpr char kNoteIsFolder[] = "Это папка, укажите файл.";
inline constexpr char kNoteReadOnly[] = "Файл только для чтения.";
inline constexpr char kNoteNulInPath[] = "Путь содержит нулевой байт";
inline constexpr char kReplaceQuestion[] = "Файл уже существует. Заменить? (да/нет)";

// The native program's start-up and its two options.
inline constexpr char kNoNullDevice[] = "Не удалось открыть /dev/null";
inline constexpr char kVersionText[] = "KORVANE 1.0\n";
inline constexpr char kHelpText[] =
    "Использование: korvane [МИКРОПРОГРАММА [КАЛИБРОВКИ [ВЫХОДНОЙ_ФАЙЛ]]]\n"
    "       korvane --help | --version\n"
    "Собирает флеш-образ из микропрограммы и необязательного файла калибровок.\n"
    "\n"
    "  МИКРОПРОГРАММА  файл микропрограммы, с таблицей прерываний (0xFA по смещению 0x200)\n"
    "  КАЛИБРОВКИ      файл калибровок, первые 32768 байт; \"-\" - без калибровок\n"
    "  ВЫХОДНОЙ_ФАЙЛ   создаваемый флеш-образ\n"
    "\n"
    "Недостающие пути спрашиваются по очереди; пустой ответ отменяет выбор,\n"
    "для калибровок он означает образ без калибровок. Путь длиннее 259 байт\n"
    "не принимается. Аргумент \"--\" перед путями отменяет разбор ключей.\n"
    "\n"
    "Код завершения: 0 - образ собран или выбор отменён, 1 - ошибка.\n";

// The desktop program says this on standard error when it cannot open a window.
inline constexpr char kNoDisplay[] = "Нет доступа к графическому дисплею";

}  // namespace MessageCatalogue
