#include "app/Menus.h"

#include <Qt>

namespace zk {

namespace {

// The object name is the member's name, so the two cannot drift apart.
// clang-format off
#define ITEM(depth, name, ...) MenuItem{depth, #name, &Actions::name, __VA_ARGS__}
#define SEPARATOR(depth, name) MenuItem{depth, #name, nullptr, u"-"}
#define COMMAND(name) CommandItem{#name, &Actions::name}
// clang-format on

constexpr MenuItem MainMenu[] = {
    ITEM(0, N1, u"&Файл", 0, false, false, false, true),
    ITEM(1, MnLoadFromFile, u"Загрузить из файла", (Qt::CTRL | Qt::Key_O).toCombined()),
    ITEM(1, MnLoadFromBuffer, u"Загрузить из буфера"),
    ITEM(1, MnRecentBooks, u"Недавние книги", 0, false, false, false, true),
    SEPARATOR(1, N8),
    ITEM(1, MnSaveEdit, u"Сохранить редактор", (Qt::CTRL | Qt::Key_S).toCombined()),
    ITEM(1, MnClearEdit, u"Очистить редактор"),
    SEPARATOR(1, N11),
    ITEM(1, MnExit, u"Выход из программы", (Qt::CTRL | Qt::Key_Q).toCombined()),
    ITEM(0, N2, u"&Вид", 0, false, false, false, true),
    ITEM(1, N13, u"Шрифт"),
    ITEM(1, N14, u"Фон"),
    ITEM(1, MnFocusColor, u"Цвет опорной буквы"),
    ITEM(1, N15, u"Картинка", 0, false, false, true, true),
    ITEM(2, N44, u"Загрузить из файла"),
    ITEM(2, MnPictClip, u"Загрузить из буфера"),
    ITEM(2, MnShowPicture, u"Показать картинку", 0, true, true),
    SEPARATOR(1, N39),
    ITEM(1, N3, u"Время Скорость", 0, false, false, false, true),
    ITEM(2, MnShowTimeAndSpeed, u"Показывать Время и Скорость", 0, true, true),
    SEPARATOR(2, N6),
    ITEM(2, MnShowTimeOfReading, u"Время быстрого чтения", 0, true, true),
    ITEM(2, MnShowTimeOfWork, u"Время работы программы", 0, true, false),
    SEPARATOR(2, N21),
    ITEM(2, MnShowSpeedInSigns, u"Скорость чтения в знаках в минуту", 0, true, true),
    ITEM(2, MnShowSpeedInWords, u"Скорость чтения в словах в минуту", 0, true, false),
    SEPARATOR(1, N26),
    ITEM(1, MnEditFont, u"Шрифт редактора"),
    ITEM(1, MnEditColor, u"Фон редактора"),
    SEPARATOR(1, N17),
    ITEM(1, MnFulScreen, u"Полный экран", Qt::Key_F3),
    SEPARATOR(1, N25),
    ITEM(1, MnSetView, u"Восстановить вид"),
    SEPARATOR(1, MnJournalLine),
    ITEM(1, MnJournal, u"Дневник тренировок…", (Qt::CTRL | Qt::Key_J).toCombined()),
    ITEM(1, MnExercises, u"Упражнения", 0, false, false, false, true),
    ITEM(2, MnSchulte, u"Таблица Шульте…", (Qt::CTRL | Qt::Key_T).toCombined()),
    ITEM(0, N22, u"&Настройки", 0, false, false, false, true),
    ITEM(1, MnReactOnSigns, u"Реагировать на знаки препинания", 0, true, true),
    ITEM(1, MnPause, u"Пауза", 0, false, false, false, true),
    ITEM(2, MnWithoutPause, u"Без паузы", 0, true, true),
    ITEM(2, MnShortPause, u"Малая", 0, true, false),
    ITEM(2, MnLongPause, u"Большая", 0, true, false),
    ITEM(2, MnSmartPause, u"Умная", 0, true, false),
    SEPARATOR(1, N7),
    ITEM(1, MnDelMin, u"Убирать переносы", 0, true, false),
    ITEM(1, MnReadNonStop, u"Читать бесконечно", 0, true, false),
    ITEM(1, MnReactOnFocus, u"Приостанавливаться при потере активности", 0, true, false),
    ITEM(1, MnRemAll, u"Помнить чтение, редактор, музыку", 0, true, false),
    SEPARATOR(1, MnTrainingLine),
    ITEM(1, MnCheckUnderstanding, u"Проверять понимание", 0, true, false),
    ITEM(1, MnSpeedLadder, u"Тренировка скорости", 0, true, false),
    SEPARATOR(1, MnSteeringLine),
    ITEM(1, MnLongWords, u"Длинные слова дольше", 0, true, false),
    ITEM(1, MnRampUp, u"Разгон", 0, true, false),
    ITEM(1, MnFocusLetter, u"Опорная буква", 0, true, false),
    ITEM(1, MnContextOnStop, u"Показывать текст при остановке", 0, true, false),
    SEPARATOR(1, N27),
    ITEM(1, N28, u"Восстановить настройки"),
    ITEM(0, MnShowEdit, u"&Показать редактор", Qt::Key_F2),
    ITEM(0, MnHideEdit, u"С&прятать редактор", Qt::Key_F2, false, false, true),
    ITEM(0, N4, u"&Музыка", 0, false, false, false, true),
    ITEM(1, N34, u"Выбрать музыкальный файл"),
    ITEM(1, N35, u"Начать воспроизведение"),
    ITEM(1, N36, u"Закончить воспроизведение"),
    ITEM(0, N5, u"&О программе"),
    ITEM(0, MnHelp, u"?", 0, false, false, true),
};

constexpr MenuItem DisplayPopup[] = {
    ITEM(0, PumFile, u"Файл", 0, false, false, false, true),
    ITEM(1, N16, u"Загрузить из файла", (Qt::CTRL | Qt::Key_O).toCombined()),
    ITEM(1, N19, u"Загрузить из буфера"),
    SEPARATOR(1, N57),
    ITEM(1, N58, u"Сохранить редактор", (Qt::CTRL | Qt::Key_S).toCombined()),
    ITEM(1, N59, u"Очистить редактор"),
    SEPARATOR(1, N60),
    ITEM(1, N61, u"Выход из программы", (Qt::CTRL | Qt::Key_Q).toCombined()),
    SEPARATOR(0, N50),
    ITEM(0, PumStart, u"Старт"),
    ITEM(0, PumStop, u"Стоп"),
    SEPARATOR(0, N62),
    ITEM(0, PumSentenceBack, u"Назад на предложение", (Qt::CTRL | Qt::Key_Left).toCombined()),
    ITEM(0, PumSentenceForward, u"Вперёд на предложение", (Qt::CTRL | Qt::Key_Right).toCombined()),
    ITEM(0, PumParagraphBack, u"Назад на абзац", (Qt::CTRL | Qt::Key_Up).toCombined()),
    ITEM(0, PumParagraphForward, u"Вперёд на абзац", (Qt::CTRL | Qt::Key_Down).toCombined()),
    SEPARATOR(0, N23),
    ITEM(0, PumFont, u"Шрифт"),
    ITEM(0, PumBackGround, u"Фон"),
    SEPARATOR(0, N30),
    ITEM(0, PumTumes, u"Настройки", 0, false, false, false, true),
    ITEM(1, PumDelMin, u"Убирать переносы", 0, true),
    ITEM(1, PumReadNonStop, u"Читать бесконечно", 0, true),
    ITEM(1, PumReactOnFocus, u"Останавливаться при потере фокуса", 0, true),
    ITEM(1, PumReactOnSigns, u"Реагировать на знаки препинания", 0, true),
    ITEM(1, PumPause, u"Пауза", 0, false, false, false, true),
    ITEM(2, PumWithoutPause, u"Без паузы", 0, true),
    ITEM(2, PumShortPause, u"Малая", 0, true),
    ITEM(2, PumLongPause, u"Большая", 0, true),
    ITEM(2, PumSmartPause, u"Умная", 0, true),
    SEPARATOR(1, PumTrainingLine),
    ITEM(1, PumCheckUnderstanding, u"Проверять понимание", 0, true),
    ITEM(1, PumSpeedLadder, u"Тренировка скорости", 0, true),
    SEPARATOR(1, PumSteeringLine),
    ITEM(1, PumLongWords, u"Длинные слова дольше", 0, true),
    ITEM(1, PumRampUp, u"Разгон", 0, true),
    ITEM(1, PumFocusLetter, u"Опорная буква", 0, true),
    ITEM(1, PumContextOnStop, u"Показывать текст при остановке", 0, true),
    ITEM(0, N40, u"Музыка", 0, false, false, false, true),
    ITEM(1, Pum34, u"Выбрать музыкальный файл"),
    ITEM(1, Pum35, u"Начать воспроизведение"),
    ITEM(1, Pum36, u"Закончить воспроизведение"),
    SEPARATOR(0, N53),
    ITEM(0, PumShowEdit, u"Показать редактор"),
    ITEM(0, PumHideEdit, u"Спрятать редактор"),
    ITEM(0, PumFullScreen, u"Полный экран"),
    ITEM(0, PumWindow, u"Окно"),
    ITEM(0, PumJournal, u"Дневник тренировок…"),
    ITEM(0, PumExercises, u"Упражнения", 0, false, false, false, true),
    ITEM(1, PumSchulte, u"Таблица Шульте…"),
    SEPARATOR(0, N37),
    ITEM(0, PumExit, u"Выход из программы", (Qt::CTRL | Qt::Key_Q).toCombined()),
};

constexpr MenuItem StatisticsPopup[] = {
    ITEM(0, PumShowTimeAndSpeed, u"Показывать время и скорость", 0, true),
    SEPARATOR(0, N42),
    ITEM(0, PumShowTimeOfWork, u"Время работы программы", 0, true),
    ITEM(0, PumShowTimeOfReading, u"Время быстрого чтения", 0, true),
    SEPARATOR(0, N43),
    ITEM(0, PumShowSpeedInSigns, u"Скорость чтения в знаках в минуту", 0, true),
    ITEM(0, PumShowSpeedInWords, u"Скорость чтения в словах в минуту", 0, true),
};

constexpr MenuItem EditorPopup[] = {
    ITEM(0, N24, u"Выделить все"),
    SEPARATOR(0, N32),
    ITEM(0, PumCopy, u"Копировать"),
    ITEM(0, PumCut, u"Вырезать"),
    ITEM(0, PumPaste, u"Вставить"),
    SEPARATOR(0, N12),
    ITEM(0, N29, u"Шрифт редактора"),
    ITEM(0, N31, u"Фон редактора"),
    SEPARATOR(0, N33),
    ITEM(0, N38, u"Спрятать редактор"),
    ITEM(0, pum1, u"shiftinsert", 0, false, false, true),
};

constexpr CommandItem Commands[] = {
    COMMAND(ActLocateSelStart), COMMAND(ActBtStart),          COMMAND(ActBtStop),
    COMMAND(ActBtStartFull),    COMMAND(ActBtStopFull),       COMMAND(ActBeginToCount),
    COMMAND(ActClose),          COMMAND(ActMaxLength2),       COMMAND(ActHideEdit),
    COMMAND(ActLoadFromFile),   COMMAND(ActCheckLines),       COMMAND(ActFulScreen),
    COMMAND(ActGoToStart),      COMMAND(ActSetFont),          COMMAND(ActHelp),
    COMMAND(actmaxlength1),     COMMAND(ActShowEdit),         COMMAND(ActStartStop),
    COMMAND(ActSaveEdit),       COMMAND(ActSentenceBack),     COMMAND(ActSentenceForward),
    COMMAND(ActParagraphBack),  COMMAND(ActParagraphForward),
};

#undef ITEM
#undef SEPARATOR
#undef COMMAND

// Every member of Actions is filled exactly once, by one of the tables.
constexpr bool fillsEveryAction() {
    QAction *Actions::*seen[sizeof(Actions) / sizeof(QAction *)]{};
    std::size_t count = 0;
    auto add = [&](QAction *Actions::*slot) {
        if (!slot)
            return true;
        for (std::size_t i = 0; i < count; ++i) {
            if (seen[i] == slot)
                return false;
        }
        if (count == std::size(seen))
            return false;
        seen[count++] = slot;
        return true;
    };
    using Table = std::span<const MenuItem>;
    for (Table table :
         {Table(MainMenu), Table(DisplayPopup), Table(StatisticsPopup), Table(EditorPopup)}) {
        for (const MenuItem &item : table) {
            if (!add(item.action))
                return false;
        }
    }
    for (const CommandItem &command : Commands) {
        if (!add(command.action))
            return false;
    }
    return count == std::size(seen);
}
static_assert(fillsEveryAction(), "each member of Actions needs exactly one table entry");

} // namespace

std::span<const CommandItem> commandItems() {
    return Commands;
}

std::span<const MenuItem> editorPopupItems() {
    return EditorPopup;
}

std::span<const MenuItem> statisticsPopupItems() {
    return StatisticsPopup;
}

std::span<const MenuItem> mainMenuItems() {
    return MainMenu;
}

std::span<const MenuItem> displayPopupItems() {
    return DisplayPopup;
}

} // namespace zk
