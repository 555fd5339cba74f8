// Every text the user can read. The source is UTF-8; the Windows build stores the texts in
// Windows-1251 for the ANSI calls.
#pragma once

// Marks a text for the translators' catalogue (xgettext --keyword=N_); Tr gives it translated.
#define N_(text) text

namespace MessageCatalogue {

inline constexpr char kErrorCaption[] = N_("Ошибка");
inline constexpr char kAboutCaption[] = N_("О программе");
inline constexpr char kAboutText[] =
    N_("KORVANE v1.0 Сборщик флеш-образов, написан разработчиками KORVANE.");
inline constexpr char kCompletionCaption[] = N_("Сообщение");
inline constexpr char kCompletionText[] = N_("Преобразование завершено!");

inline constexpr char kFirmwareDialogTitle[] = N_("Выберите микропрограмму");
inline constexpr char kCalibrationDialogTitle[] = N_("Выберите калибровки");
inline constexpr char kOutputDialogTitle[] = N_("Выберите выходной файл");
inline constexpr char kImageDialogTitle[] = N_("Выберите образ");
inline constexpr char kCalibrationSaveTitle[] = N_("Выберите файл для калибровок");

inline constexpr char kFirmwareOpenError[] = N_("Ошибка открытия микропрограммы");
inline constexpr char kCalibrationOpenError[] = N_("Ошибка открытия калибровок");
inline constexpr char kOutputOpenError[] = N_("Ошибка открытия выходного файла");
inline constexpr char kWriteError[] = N_("Ошибка записи файла");
inline constexpr char kCalibrationReadError[] = N_("Ошибка чтения калибровок");
inline constexpr char kFirmwareReadError[] = N_("Ошибка чтения микропрограммы");
inline constexpr char kInterruptTableMissing[] = N_("Таблица прерываний не найдена");
inline constexpr char kFirmwareTooLarge[] = N_("Микропрограмма слишком велика");
inline constexpr char kOutputIsInput[] = N_("Выходной файл совпадает с входным");
inline constexpr char kPathTooLong[] = N_("Путь длиннее 259 байт");
inline constexpr char kCalibrationIsFirmware[] = N_("Калибровки совпадают с микропрограммой");
inline constexpr char kEmptyPathArgument[] = N_("Пустой путь в командной строке");
inline constexpr char kAnswerReadError[] = N_("Ошибка чтения ответа");
inline constexpr char kDialogFailed[] = N_("Не удалось показать диалог выбора файла");
inline constexpr char kChipSizeWrong[] = N_("Неверный размер микросхемы");
inline constexpr char kChipSmallerThanImage[] = N_("Образ больше размера микросхемы");
inline constexpr char kImageLargerThanDevice[] = N_("Образ не помещается на устройство");

// Why a chosen path cannot serve: notes at the prompts and in the desktop dialogs, and the
// reason after the output's open error on the command line. The system's reason follows the
// last two.
inline constexpr char kNoteFileNotFound[] = N_("Файл не найден.");
inline constexpr char kNoteFolderNotFound[] = N_("Папка не найдена.");
inline constexpr char kNoteIsFolder[] = N_("Это папка, укажите файл.");
inline constexpr char kNoteReadOnly[] = N_("Файл только для чтения.");
inline constexpr char kNoteNotAFile[] = N_("Это не файл, а канал, сокет или устройство.");
inline constexpr char kNoteCannotRead[] = N_("Файл нельзя прочитать");
inline constexpr char kNoteCannotWrite[] = N_("Сюда нельзя записать");
inline constexpr char kNoteNulInPath[] = N_("Путь содержит нулевой байт");
inline constexpr char kNoteDanglingLink[] = N_("Ссылка ведёт к несуществующему файлу.");
inline constexpr char kReplaceQuestion[] = N_("Файл уже существует. Заменить? (да/нет)");
inline constexpr char kNoteYesOrNo[] = N_("Ответьте «да» или «нет».");
// The desktop's replace question, with the file's name beneath it and buttons to answer.
inline constexpr char kReplaceBoxQuestion[] = N_("Файл уже существует. Заменить?");
// Said beside the completion text when the size byte cut firmware bytes off, with their count.
inline constexpr char kNoteFirmwareCut[] = N_("Отброшено байт микропрограммы");
// Said while another run holds the output, and the desktop program's reason for not waiting.
inline constexpr char kNoteWaitingForOutput[] =
    N_("Выходной файл занят другим запуском, ожидание…");
inline constexpr char kOutputBusy[] = N_("Файл занят другим запуском, повторите позже.");

// Checking an image, comparing it with its inputs and taking its calibration out. Where a fault
// lies in the image, its offset and area follow the text.
inline constexpr char kImageOpenError[] = N_("Ошибка открытия образа");
inline constexpr char kImageReadError[] = N_("Ошибка чтения образа");
inline constexpr char kBlankAreaNotErased[] = N_("Пустая область не стёрта");
inline constexpr char kPrefixWrong[] = N_("Неверный префикс микропрограммы");
inline constexpr char kImageLengthWrong[] = N_("Неверная длина образа");
inline constexpr char kImageDiffers[] = N_("Образ отличается от входных файлов");
inline constexpr char kImageLengthDiffers[] = N_("Длина образа отличается от ожидаемой");
inline constexpr char kTailNotErased[] = N_("Байты за образом не стёрты");
inline constexpr char kImageTooLarge[] = N_("Образ слишком велик");
inline constexpr char kImageHoldsNoCalibration[] = N_("В образе нет калибровок");
inline constexpr char kOffsetWord[] = N_("смещение");
inline constexpr char kAreaBlank[] = N_("пустая область");
inline constexpr char kAreaCalibration[] = N_("калибровки");
inline constexpr char kAreaPrefix[] = N_("префикс");
inline constexpr char kAreaFirmware[] = N_("микропрограмма");
inline constexpr char kAreaFill[] = N_("заполнение");
inline constexpr char kImageMatches[] = N_("Образ совпадает с входными файлами.");
inline constexpr char kReportLength[] = N_("Длина образа");
inline constexpr char kReportCalibration[] = N_("Калибровки");
inline constexpr char kReportPresent[] = N_("есть");
inline constexpr char kReportAbsent[] = N_("нет");
inline constexpr char kReportSizeByte[] = N_("Байт размера");
inline constexpr char kReportNoSizeByte[] = N_("нет (микропрограмма 513 байт)");
inline constexpr char kReportClassNone[] = N_("длина как записано");
inline constexpr char kReportClassLength[] = N_("длина по байту размера");
inline constexpr char kReportFirmware[] = N_("Микропрограмма");
inline constexpr char kReportFirmwareAndFill[] = N_("Микропрограмма и заполнение");
inline constexpr char kReportBytes[] = N_("байт");
inline constexpr char kReportErasedTail[] = N_("За образом стёрто");
inline constexpr char kCalibrationWritten[] = N_("Калибровки записаны");
inline constexpr char kBadOptionArguments[] = N_("Неверные аргументы ключа, см. korvane --help");

// The native programs' start-up.
inline constexpr char kNoNullDevice[] = N_("Не удалось открыть /dev/null");

// The help and version texts, like reports, end without a line end, which the terminal adds and a
// box would show as an empty line.
inline constexpr char kVersionText[] = "KORVANE 1.0";
inline constexpr char kHelpText[] =
    N_("Использование: korvane [--] [МИКРОПРОГРАММА [КАЛИБРОВКИ [ВЫХОДНОЙ_ФАЙЛ]]]\n"
       "       korvane --check [ОБРАЗ [МИКРОПРОГРАММА [КАЛИБРОВКИ]]]\n"
       "       korvane --extract-calibration [ОБРАЗ [КАЛИБРОВКИ]]\n"
       "       korvane --pad-to РАЗМЕР МИКРОПРОГРАММА [КАЛИБРОВКИ [ВЫХОДНОЙ_ФАЙЛ]]\n"
       "       korvane --help | --version\n"
       "Собирает флеш-образ из микропрограммы и необязательного файла калибровок.\n"
       "\n"
       "  МИКРОПРОГРАММА  файл микропрограммы, с таблицей прерываний (0xFA по смещению 0x200)\n"
       "  КАЛИБРОВКИ      файл калибровок, первые 32768 байт; \"-\" - без калибровок\n"
       "  ВЫХОДНОЙ_ФАЙЛ   создаваемый флеш-образ\n"
       "\n"
       "  --check ОБРАЗ   проверяет разметку образа и печатает её кратко;\n"
       "                  с микропрограммой (и калибровками) сравнивает образ с тем,\n"
       "                  что из них получился бы, и называет первое отличие;\n"
       "                  за образом допускаются только стёртые байты (0xFF)\n"
       "  --extract-calibration ОБРАЗ КАЛИБРОВКИ\n"
       "                  записывает 32768 байт калибровок из образа (или дампа\n"
       "                  микросхемы) в файл КАЛИБРОВКИ, если разметка образа верна\n"
       "  --pad-to РАЗМЕР собирает образ и дополняет его байтами 0xFF до размера\n"
       "                  микросхемы: в байтах или с K или M (512K, 4M)\n"
       "\n"
       "Недостающие пути спрашиваются по очереди; пустой ответ отменяет выбор,\n"
       "для калибровок он означает образ без калибровок. Пустой путь и путь длиннее\n"
       "259 байт в командной строке не принимаются. Ключи узнаются только первым\n"
       "аргументом; \"--\" перед путями отменяет разбор ключей.\n"
       "\n"
       "Примеры:\n"
       "  korvane --pad-to 512K fw.bin cal.bin flash.img   образ для микросхемы 512 КиБ\n"
       "  korvane --check flash.img                  проверить образ перед прошивкой\n"
       "  korvane --check dump.bin fw.bin cal.bin    сверить прочитанную микросхему\n"
       "  korvane --extract-calibration dump.bin cal.bin && korvane new.bin cal.bin flash.img\n"
       "\n"
       "Код завершения: 0 - готово, образ верен или выбор отменён, 1 - ошибка.");

// The desktop programs' help: korvane-gtk prints it on standard output, korvane.exe shows it in a
// box; neither knows --pad-to, and korvane.exe's exit status is always 0.
inline constexpr char kDesktopHelpText[] =
    N_("Использование: korvane-gtk [--] [МИКРОПРОГРАММА [КАЛИБРОВКИ [ВЫХОДНОЙ_ФАЙЛ]]]\n"
       "       korvane-gtk --check [ОБРАЗ [МИКРОПРОГРАММА [КАЛИБРОВКИ]]]\n"
       "       korvane-gtk --extract-calibration [ОБРАЗ [КАЛИБРОВКИ]]\n"
       "       korvane-gtk --help | --version\n"
       "Собирает флеш-образ из микропрограммы и необязательного файла калибровок,\n"
       "проверяет образ или прочитанную микросхему и извлекает из образа калибровки.\n"
       "Недостающие пути спрашиваются в диалогах выбора файла; \"-\" вместо\n"
       "калибровок - без калибровок.\n"
       "\n"
       "Код завершения: 0 - готово, образ верен или выбор отменён, 1 - ошибка.");
inline constexpr char kWindowsHelpText[] =
    "Использование: korvane.exe [--] [МИКРОПРОГРАММА [КАЛИБРОВКИ [ВЫХОДНОЙ_ФАЙЛ]]]\n"
    "korvane.exe --check [ОБРАЗ [МИКРОПРОГРАММА [КАЛИБРОВКИ]]]\n"
    "korvane.exe --extract-calibration [ОБРАЗ [КАЛИБРОВКИ]]\n"
    "korvane.exe --help | --version\n"
    "\n"
    "Собирает флеш-образ из микропрограммы и необязательного файла калибровок "
    "(\"-\" - без калибровок).\n"
    "--check проверяет разметку образа; с микропрограммой (и калибровками) сравнивает образ с "
    "тем, что из них получился бы, и называет первое отличие.\n"
    "--extract-calibration записывает 32768 байт калибровок из образа или дампа микросхемы в "
    "файл.\n"
    "\n"
    "Недостающие пути спрашиваются в окнах выбора файла; без выбранных калибровок образ "
    "собирается без них. Ключи узнаются только первым аргументом; после \"--\" все аргументы - "
    "пути, а файл с именем --check указывается как .\\--check.\n"
    "\n"
    "Примеры:\n"
    "korvane.exe --check flash.img\n"
    "korvane.exe --check dump.bin fw.bin cal.bin\n"
    "korvane.exe --extract-calibration dump.bin cal.bin";

// The desktop program says this on standard error when it cannot open a window.
inline constexpr char kNoDisplay[] = N_("Нет доступа к графическому дисплею");

// The Windows program's own: a name that the system's code page cannot hold, which the ANSI calls
// would take for another; the file dialog's limit, one short of a path buffer's; the option
// error naming korvane.exe; and the launchers beside it, when they cannot start it.
inline constexpr char kNameNotInCodePage[] =
    "В имени есть знаки, которых нет в кодовой странице системы";
inline constexpr char kDialogPathTooLong[] =
    "Окно выбора файла принимает путь не длиннее 258 знаков";
inline constexpr char kWindowsBadOptionArguments[] =
    "Неверные аргументы ключа, см. korvane.exe --help";
inline constexpr char kLaunchFailed[] = "Не удалось запустить korvane.exe";

}  // namespace MessageCatalogue
