#include "app/Menus.h"

#include <Qt>

namespace zk {

namespace {

constexpr MenuItem MainMenu[] = {
    {0, "N1", u"&Файл", 0, false, false, false, true},
    {1, "MnLoadFromFile", u"Загрузить из файла"},
    {1, "MnLoadFromBuffer", u"Загрузить из буфера"},
    {1, "N8", u"-"},
    {1, "MnSaveEdit", u"Сохранить редактор"},
    {1, "MnClearEdit", u"Очистить редактор"},
    {1, "N11", u"-"},
    {1, "MnExit", u"Выход из программы"},
    {0, "N2", u"&Вид", 0, false, false, false, true},
    {1, "N13", u"Шрифт"},
    {1, "N14", u"Фон"},
    {1, "N15", u"Картинка", 0, false, false, true, true},
    {2, "N44", u"Загрузить из файла"},
    {2, "MnPictClip", u"Загрузить из буфера"},
    {2, "MnShowPicture", u"Показать картинку", 0, true, true},
    {1, "N39", u"-"},
    {1, "N3", u"Время Скорость", 0, false, false, false, true},
    {2, "MnShowTimeAndSpeed", u"Показывать Время и Скорость", 0, true, true},
    {2, "N6", u"-"},
    {2, "MnShowTimeOfReading", u"Время быстрого чтения", 0, true, true},
    {2, "MnShowTimeOfWork", u"Время работы программы", 0, true, false},
    {2, "N21", u"-"},
    {2, "MnShowSpeedInSigns", u"Скорость чтения в знаках в минуту", 0, true, true},
    {2, "MnShowSpeedInWords", u"Скорость чтения в словах в минуту", 0, true, false},
    {1, "N26", u"-"},
    {1, "MnEditFont", u"Шрифт редактора"},
    {1, "MnEditColor", u"Фон редактора"},
    {1, "N17", u"-"},
    {1, "MnFulScreen", u"Полный экран", Qt::Key_F3},
    {1, "N25", u"-"},
    {1, "MnSetView", u"Восстановить вид"},
    {0, "N22", u"&Настройки", 0, false, false, false, true},
    {1, "MnReactOnSigns", u"Реагировать на знаки препинания", 0, true, true},
    {1, "MnPause", u"Пауза", 0, false, false, false, true},
    {2, "MnWithoutPause", u"Без паузы", 0, true, true},
    {2, "MnShortPause", u"Малая", 0, true, false},
    {2, "MnLongPause", u"Большая", 0, true, false},
    {2, "MnSmartPause", u"Умная", 0, true, false},
    {1, "N7", u"-"},
    {1, "MnDelMin", u"Убирать переносы", 0, true, false},
    {1, "MnReadNonStop", u"Читать бесконечно", 0, true, false},
    {1, "MnReactOnFocus", u"Приостанавливаться при потере активности", 0, true, false},
    {1, "MnRemAll", u"Помнить чтение, редактор, музыку", 0, true, false},
    {1, "N27", u"-"},
    {1, "N28", u"Восстановить настройки"},
    {0, "MnShowEdit", u"&Показать редактор", Qt::Key_F2},
    {0, "MnHideEdit", u"С&прятать редактор", Qt::Key_F2, false, false, true},
    {0, "N4", u"&Музыка", 0, false, false, false, true},
    {1, "N34", u"Выбрать музыкальный файл"},
    {1, "N35", u"Начать воспроизведение"},
    {1, "N36", u"Закончить воспроизведение"},
    {0, "N5", u"&О программе"},
    {0, "MnHelp", u"?", 0, false, false, true},
};

constexpr MenuItem DisplayPopup[] = {
    {0, "PumFile", u"Файл", 0, false, false, false, true},
    {1, "N16", u"Загрузить из файла"},
    {1, "N19", u"Загрузить из буфера"},
    {1, "N57", u"-"},
    {1, "N58", u"Сохранить редактор"},
    {1, "N59", u"Очистить редактор"},
    {1, "N60", u"-"},
    {1, "N61", u"Выход из программы"},
    {0, "N50", u"-"},
    {0, "PumStart", u"Старт"},
    {0, "PumStop", u"Стор"},
    {0, "N23", u"-"},
    {0, "PumFont", u"Шрифт"},
    {0, "PumBackGround", u"Фон"},
    {0, "N30", u"-"},
    {0, "PumTumes", u"Настройки", 0, false, false, false, true},
    {1, "PumDelMin", u"Убирать переносы", 0, true},
    {1, "PumReadNonStop", u"Читать бесконечно", 0, true},
    {1, "PumReactOnFocus", u"Останавливаться при потере фокуса", 0, true},
    {1, "PumReactOnSigns", u"Реагировать на знаки препинания", 0, true},
    {1, "PumPause", u"Пауза", 0, false, false, false, true},
    {2, "PumWithoutPause", u"Без паузы", 0, true},
    {2, "PumShortPause", u"Малая", 0, true},
    {2, "PumLongPause", u"Большая", 0, true},
    {2, "PumSmartPause", u"Умная", 0, true},
    {0, "N40", u"Музыка", 0, false, false, false, true},
    {1, "Pum34", u"Выбрать музыкальный файл"},
    {1, "Pum35", u"Начать воспроизведение"},
    {1, "Pum36", u"Закончить воспроизведение"},
    {0, "N53", u"-"},
    {0, "PumShowEdit", u"Показать редактор"},
    {0, "PumHideEdit", u"Спрятать редактор"},
    {0, "PumFullScreen", u"Полный экран"},
    {0, "PumWindow", u"Окно"},
    {0, "N37", u"-"},
    {0, "PumExit", u"Выход из программы"},
};

constexpr MenuItem StatisticsPopup[] = {
    {0, "PumShowTimeAndSpeed", u"Показывть время и скорость", 0, true},
    {0, "N42", u"-"},
    {0, "PumShowTimeOfWork", u"Время работы программы", 0, true},
    {0, "PumShowTimeOfReading", u"Время быстрого чтения", 0, true},
    {0, "N43", u"-"},
    {0, "PumShowSpeedInSigns", u"Скорость чтения в знаках в минуту", 0, true},
    {0, "PumShowSpeedInWords", u"Скорость чтения в словах в минуту", 0, true},
};

constexpr MenuItem EditorPopup[] = {
    {0, "N24", u"Выделить все"},
    {0, "N32", u"-"},
    {0, "PumCopy", u"Копировать"},
    {0, "PumCut", u"Вырезать"},
    {0, "PumPaste", u"Вставить"},
    {0, "N12", u"-"},
    {0, "N29", u"Шрифт редактора"},
    {0, "N31", u"Фон редактора"},
    {0, "N33", u"-"},
    {0, "N38", u"Спрятать редактор"},
    {0, "pum1", u"shiftinsert", 0, false, false, true},
};

} // namespace

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
