#include "WindowFixture.h"

#include "app/AboutBox.h"

#include "display/FullScreenWindow.h"
#include "display/StatisticsBar.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QProxyStyle>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStyleOptionMenuItem>
#include <QTimer>

#include <functional>

using namespace zk;
using namespace Qt::StringLiterals;

class test_menus : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void menuTrees_matchTheTables();
    void namedActions_existAndRunTheirCommands();
    void keys_workInBothWindows_evenWhenTheirItemIsHidden();
    void accelerators_workWithCyrillicLetters();
    void space_startsAndStops_whateverHasFocus_butTypesInTheEditor();
    void escapeAndFileKeys_reachTheirCommands();
    void exclusiveChoices_areRadioGroups();
    void fileMenus_followClipboardAndEditorText();
    void pauseMenu_followsPunctuationOnlyInMainMenu();
    void shownEditor_disablesDisplayItemsAndFullScreen();
    void fullScreen_popupOffersWindowInstead();
    void popupToggles_showInMainMenuAtOnce_andInPopupAtNextOpening();
    void startAndStop_followTheButtons();
    void contextMenus_areTheProgramsOwn();
    void aboutBox_suspendsRunAndResumesWithFreshCount();
    void help_withFile_opensFromBothWindows();
};

namespace {

// One item as the menu tables give it: check is "" (no check mark), "o" (unchecked)
// or "x" (checked).
struct Row {
    int depth;
    const char *name;
    const char16_t *caption;
    const char *key = "";
    const char *check = "";
    bool hidden = false;
};

QString format(int depth, const QString &name, const QString &caption, const QString &key,
               const QString &check, bool hidden) {
    return QString(depth * 2, QLatin1Char(' ')) + name + QLatin1Char('|') + caption +
           QLatin1Char('|') + key + QLatin1Char('|') + check +
           (hidden ? QStringLiteral("|hidden") : QString());
}

QStringList expected(std::initializer_list<Row> rows) {
    QStringList out;
    for (const Row &r : rows)
        out << format(r.depth, QString::fromLatin1(r.name), QString::fromUtf16(r.caption),
                      QString::fromLatin1(r.key), QString::fromLatin1(r.check), r.hidden);
    return out;
}

void walk(const QList<QAction *> &actions, int depth, QStringList &out) {
    for (QAction *a : actions) {
        const QString check = a->isCheckable()
                                  ? (a->isChecked() ? QStringLiteral("x") : QStringLiteral("o"))
                                  : QString();
        out << format(depth, a->objectName(), a->isSeparator() ? QStringLiteral("-") : a->text(),
                      a->shortcut().toString(QKeySequence::PortableText), check, !a->isVisible());
        if (QMenu *sub = a->menu())
            walk(sub->actions(), depth + 1, out);
    }
}

QStringList live(const QWidget *menu) {
    QStringList out;
    walk(menu->actions(), 0, out);
    return out;
}

QMenu *menu(const MainWindow *w, const char *name) {
    auto *m = w->findChild<QMenu *>(QString::fromLatin1(name));
    if (!m)
        qWarning("no menu %s", name);
    return m;
}

void open(const MainWindow *w, const char *name) {
    emit menu(w, name)->aboutToShow();
}

// Closes the next modal window as soon as it shows, noting what it was and
// letting the test look at the program while it is open.
struct ModalCloser {
    QString seen;
    std::function<void()> whileOpen;
    QObject context; // a test that fails early leaves no timer behind

    void arm() {
        QTimer::singleShot(0, &context, [this] {
            if (QWidget *modal = QApplication::activeModalWidget()) {
                seen = modal->objectName();
                if (whileOpen)
                    whileOpen();
                modal->close();
            }
        });
    }
};

// A right click as the window system delivers it: to the widget under the mouse,
// passed on to its parents while ignored. Returns the pop-up that opened, closing it
// whether it opened modally or not.
QWidget *rightClick(QWidget *target) {
    QPointer<QWidget> shown;
    QTimer::singleShot(0, target, [&shown] {
        if (QWidget *popup = QApplication::activePopupWidget()) {
            shown = popup;
            popup->close();
        }
    });
    const QPoint pos(3, 3);
    QContextMenuEvent event(QContextMenuEvent::Mouse, pos, target->mapToGlobal(pos));
    QApplication::sendEvent(target, &event);
    QCoreApplication::processEvents();
    return shown;
}

} // namespace

void test_menus::initTestCase() {
    // Keep a help file installed for the user out of these tests.
    QStandardPaths::setTestModeEnabled(true);
}

void test_menus::menuTrees_matchTheTables() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("текст"));
    auto *bar = w->findChild<QMenuBar *>(QStringLiteral("MainMenu1"));
    QVERIFY(bar);
    QCOMPARE(live(bar),
             expected({
                 {0, "N1", u"&Файл"},
                 {1, "MnLoadFromFile", u"Загрузить из файла", "Ctrl+O"},
                 {1, "MnLoadFromBuffer", u"Загрузить из буфера"},
                 {1, "MnRecentBooks", u"Недавние книги"},
                 {1, "N8", u"-"},
                 {1, "MnSaveEdit", u"Сохранить редактор", "Ctrl+S"},
                 {1, "MnClearEdit", u"Очистить редактор"},
                 {1, "N11", u"-"},
                 {1, "MnExit", u"Выход из программы", "Ctrl+Q"},
                 {0, "N2", u"&Вид"},
                 {1, "N13", u"Шрифт"},
                 {1, "N14", u"Фон"},
                 {1, "MnFocusColor", u"Цвет опорной буквы"},
                 {1, "N15", u"Картинка", "", "", true},
                 {2, "N44", u"Загрузить из файла"},
                 {2, "MnPictClip", u"Загрузить из буфера"},
                 {2, "MnShowPicture", u"Показать картинку", "", "x"},
                 {1, "N39", u"-"},
                 {1, "N3", u"Время Скорость"},
                 {2, "MnShowTimeAndSpeed", u"Показывать Время и Скорость", "", "x"},
                 {2, "N6", u"-"},
                 {2, "MnShowTimeOfReading", u"Время быстрого чтения", "", "x"},
                 {2, "MnShowTimeOfWork", u"Время работы программы", "", "o"},
                 {2, "N21", u"-"},
                 {2, "MnShowSpeedInSigns", u"Скорость чтения в знаках в минуту", "", "x"},
                 {2, "MnShowSpeedInWords", u"Скорость чтения в словах в минуту", "", "o"},
                 {1, "N26", u"-"},
                 {1, "MnEditFont", u"Шрифт редактора"},
                 {1, "MnEditColor", u"Фон редактора"},
                 {1, "N17", u"-"},
                 {1, "MnFulScreen", u"Полный экран", "F3"},
                 {1, "N25", u"-"},
                 {1, "MnSetView", u"Восстановить вид"},
                 {1, "MnJournalLine", u"-"},
                 {1, "MnJournal", u"Дневник тренировок…", "Ctrl+J"},
                 {1, "MnExercises", u"Упражнения"},
                 {2, "MnSchulte", u"Таблица Шульте…", "Ctrl+T"},
                 {0, "N22", u"&Настройки"},
                 {1, "MnReactOnSigns", u"Реагировать на знаки препинания", "", "x"},
                 {1, "MnPause", u"Пауза"},
                 {2, "MnWithoutPause", u"Без паузы", "", "x"},
                 {2, "MnShortPause", u"Малая", "", "o"},
                 {2, "MnLongPause", u"Большая", "", "o"},
                 {2, "MnSmartPause", u"Умная", "", "o"},
                 {1, "N7", u"-"},
                 {1, "MnDelMin", u"Убирать переносы", "", "o"},
                 {1, "MnReadNonStop", u"Читать бесконечно", "", "o"},
                 {1, "MnReactOnFocus", u"Приостанавливаться при потере активности", "", "o"},
                 {1, "MnRemAll", u"Помнить чтение, редактор, музыку", "", "o"},
                 {1, "MnTrainingLine", u"-"},
                 {1, "MnCheckUnderstanding", u"Проверять понимание", "", "o"},
                 {1, "MnSpeedLadder", u"Тренировка скорости", "", "o"},
                 {1, "MnSteeringLine", u"-"},
                 {1, "MnLongWords", u"Длинные слова дольше", "", "o"},
                 {1, "MnRampUp", u"Разгон", "", "o"},
                 {1, "MnFocusLetter", u"Опорная буква", "", "o"},
                 {1, "MnContextOnStop", u"Показывать текст при остановке", "", "o"},
                 {1, "N27", u"-"},
                 {1, "N28", u"Восстановить настройки"},
                 {0, "MnShowEdit", u"&Показать редактор", "F2"},
                 {0, "MnHideEdit", u"С&прятать редактор", "F2", "", true},
                 {0, "N4", u"&Музыка"},
                 {1, "N34", u"Выбрать музыкальный файл"},
                 {1, "N35", u"Начать воспроизведение"},
                 {1, "N36", u"Закончить воспроизведение"},
                 {0, "N5", u"&О программе"},
                 {0, "MnHelp", u"?", "", "", true},
             }));

    // The pop-ups as they are after opening in the idle main window.
    for (const char *name : {"PopupMenu1", "PumFile", "PumTumes", "PumPause", "N40"})
        open(w, name);
    QCOMPARE(live(menu(w, "PopupMenu1")),
             expected({
                 {0, "PumFile", u"Файл"},
                 {1, "N16", u"Загрузить из файла", "Ctrl+O"},
                 {1, "N19", u"Загрузить из буфера"},
                 {1, "N57", u"-"},
                 {1, "N58", u"Сохранить редактор", "Ctrl+S"},
                 {1, "N59", u"Очистить редактор"},
                 {1, "N60", u"-"},
                 {1, "N61", u"Выход из программы", "Ctrl+Q"},
                 {0, "N50", u"-"},
                 {0, "PumStart", u"Старт"},
                 {0, "PumStop", u"Стоп", "", "", true},
                 {0, "N62", u"-"},
                 {0, "PumSentenceBack", u"Назад на предложение", "Ctrl+Left"},
                 {0, "PumSentenceForward", u"Вперёд на предложение", "Ctrl+Right"},
                 {0, "PumParagraphBack", u"Назад на абзац", "Ctrl+Up"},
                 {0, "PumParagraphForward", u"Вперёд на абзац", "Ctrl+Down"},
                 {0, "N23", u"-"},
                 {0, "PumFont", u"Шрифт"},
                 {0, "PumBackGround", u"Фон"},
                 {0, "N30", u"-"},
                 {0, "PumTumes", u"Настройки"},
                 {1, "PumDelMin", u"Убирать переносы", "", "o"},
                 {1, "PumReadNonStop", u"Читать бесконечно", "", "o"},
                 {1, "PumReactOnFocus", u"Останавливаться при потере фокуса", "", "o"},
                 {1, "PumReactOnSigns", u"Реагировать на знаки препинания", "", "x"},
                 {1, "PumPause", u"Пауза"},
                 {2, "PumWithoutPause", u"Без паузы", "", "x"},
                 {2, "PumShortPause", u"Малая", "", "o"},
                 {2, "PumLongPause", u"Большая", "", "o"},
                 {2, "PumSmartPause", u"Умная", "", "o"},
                 {1, "PumTrainingLine", u"-"},
                 {1, "PumCheckUnderstanding", u"Проверять понимание", "", "o"},
                 {1, "PumSpeedLadder", u"Тренировка скорости", "", "o"},
                 {1, "PumSteeringLine", u"-"},
                 {1, "PumLongWords", u"Длинные слова дольше", "", "o"},
                 {1, "PumRampUp", u"Разгон", "", "o"},
                 {1, "PumFocusLetter", u"Опорная буква", "", "o"},
                 {1, "PumContextOnStop", u"Показывать текст при остановке", "", "o"},
                 {0, "N40", u"Музыка"},
                 {1, "Pum34", u"Выбрать музыкальный файл"},
                 {1, "Pum35", u"Начать воспроизведение"},
                 {1, "Pum36", u"Закончить воспроизведение"},
                 {0, "N53", u"-"},
                 {0, "PumShowEdit", u"Показать редактор", "F2"},
                 {0, "PumHideEdit", u"Спрятать редактор", "F2", "", true},
                 {0, "PumFullScreen", u"Полный экран", "F3"},
                 {0, "PumWindow", u"Окно", "", "", true},
                 {0, "PumJournal", u"Дневник тренировок…"},
                 {0, "PumExercises", u"Упражнения"},
                 {1, "PumSchulte", u"Таблица Шульте…"},
                 {0, "N37", u"-"},
                 {0, "PumExit", u"Выход из программы", "Ctrl+Q"},
             }));

    open(w, "PopupMenu2");
    QCOMPARE(live(menu(w, "PopupMenu2")), expected({
                                              {0, "N24", u"Выделить все", "Ctrl+A"},
                                              {0, "N32", u"-"},
                                              {0, "PumCopy", u"Копировать", "Ctrl+C"},
                                              {0, "PumCut", u"Вырезать", "Ctrl+X"},
                                              {0, "PumPaste", u"Вставить", "Ctrl+V"},
                                              {0, "N12", u"-"},
                                              {0, "N29", u"Шрифт редактора"},
                                              {0, "N31", u"Фон редактора"},
                                              {0, "N33", u"-"},
                                              {0, "N38", u"Спрятать редактор", "F2"},
                                              {0, "pum1", u"shiftinsert", "Shift+Ins", "", true},
                                          }));

    open(w, "PopupMenu3");
    QCOMPARE(live(menu(w, "PopupMenu3")),
             expected({
                 {0, "PumShowTimeAndSpeed", u"Показывать время и скорость", "", "x"},
                 {0, "N42", u"-"},
                 {0, "PumShowTimeOfWork", u"Время работы программы", "", "o"},
                 {0, "PumShowTimeOfReading", u"Время быстрого чтения", "", "x"},
                 {0, "N43", u"-"},
                 {0, "PumShowSpeedInSigns", u"Скорость чтения в знаках в минуту", "", "x"},
                 {0, "PumShowSpeedInWords", u"Скорость чтения в словах в минуту", "", "o"},
             }));
    QCOMPARE(w->statisticsBar()->PnWork->toolTip(),
             QStringLiteral("Установить время работы --> 0"));
}

void test_menus::namedActions_existAndRunTheirCommands() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("один два три четыре пять шесть"));
    for (const char *name :
         {"ActLocateSelStart", "ActBtStart", "ActBtStop", "ActBtStartFull", "ActBtStopFull",
          "ActBeginToCount", "ActClose", "ActMaxLength2", "ActHideEdit", "ActLoadFromFile",
          "ActCheckLines", "ActFulScreen", "ActGoToStart", "ActSetFont", "ActHelp", "actmaxlength1",
          "ActStartStop", "ActSaveEdit"}) {
        auto *a = w->findChild<QAction *>(QString::fromLatin1(name));
        QVERIFY2(a, name);
        static const QHash<QByteArray, QKeySequence> keys = {
            {"ActHelp", QKeySequence(Qt::Key_F1)},
            {"ActLoadFromFile", QKeySequence(Qt::CTRL | Qt::Key_O)},
            {"ActSaveEdit", QKeySequence(Qt::CTRL | Qt::Key_S)},
            {"ActClose", QKeySequence(Qt::CTRL | Qt::Key_Q)},
            {"ActStartStop", QKeySequence(Qt::Key_Space)},
            {"ActFulScreen", QKeySequence(Qt::Key_Escape)},
        };
        QCOMPARE(a->shortcut(), keys.value(name));
    }

    w->actions().ActBtStart->trigger();
    QVERIFY(w->isReading());
    w->timers().t1->stop();
    w->reading()->tick();
    QVERIFY(!f.row(0).isEmpty());
    w->actions().ActBtStopFull->trigger(); // the Stop button: rows are cleared
    QVERIFY(!w->isReading());
    QCOMPARE(f.row(0), QString());
    w->actions().ActBtStartFull->trigger();
    QVERIFY(w->isReading());
    w->engine().state().WordCount = 4;
    w->actions().ActBeginToCount->trigger();
    QCOMPARE(w->engine().state().WordCount, 0);
    w->actions().ActBtStop->trigger();
    QVERIFY(!w->isReading());
    w->actions().ActFulScreen->trigger();
    QVERIFY(w->fullScreenWindow()->isVisible());
    w->actions().ActFulScreen->trigger();
    QVERIFY(w->isVisible());
    w->editing()->toggleEditor();
    w->actions().ActHideEdit->trigger();
    QVERIFY(!w->editor()->isVisible());
    QVERIFY(!w->isShutDown());
}

void test_menus::keys_workInBothWindows_evenWhenTheirItemIsHidden() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("один два три"));
    QSignalSpy help(w->actions().ActHelp, &QAction::triggered);
    ModalCloser closer;

    // F2 shows the editor and hides it again, whichever item carries the key.
    QTest::keyClick(QApplication::activeWindow(), Qt::Key_F2);
    QVERIFY(w->editor()->isVisible());
    QVERIFY(!w->actions().MnShowEdit->isVisible());
    // Full screen is not offered while the editor is shown.
    QTest::keyClick(QApplication::activeWindow(), Qt::Key_F3);
    QVERIFY(w->isVisible());
    QTest::keyClick(QApplication::activeWindow(), Qt::Key_F2);
    QVERIFY(!w->editor()->isVisible());
    QVERIFY(!w->actions().MnHideEdit->isVisible());

    // Without a help file F1 reaches the help command, which opens nothing.
    QVERIFY(!w->actions().MnHelp->isVisible());
    closer.arm();
    QTest::keyClick(QApplication::activeWindow(), Qt::Key_F1);
    QCoreApplication::processEvents();
    QCOMPARE(help.count(), 1);
    QCOMPARE(closer.seen, QString());

    QTest::keyClick(QApplication::activeWindow(), Qt::Key_F3);
    FullScreenWindow *fs = w->fullScreenWindow();
    QVERIFY(fs->isVisible());
    QVERIFY(!w->isVisible());
    QVERIFY(QTest::qWaitForWindowActive(fs));
    QCOMPARE(QApplication::activeWindow(), fs);
    QTest::keyClick(fs, Qt::Key_F1);
    QCOMPARE(help.count(), 2);
    QTest::keyClick(fs, Qt::Key_F2);
    QVERIFY(!w->editor()->isVisible());
    QTest::keyClick(fs, Qt::Key_F3);
    QVERIFY(w->isVisible());
    QVERIFY(!fs->isVisible());
}

void test_menus::space_startsAndStops_whateverHasFocus_butTypesInTheEditor() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("один два три четыре"));
    const auto space = [] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space); };
    // A spinner, the Start button (which would click itself) and the display.
    for (QWidget *focus : std::initializer_list<QWidget *>{w->strip()->UpDown2, w->strip()->BtStart,
                                                           w->mainPanel()}) {
        focus->setFocus();
        space();
        QVERIFY2(w->isReading(), focus->metaObject()->className());
        w->timers().t1->stop();
        w->reading()->tick();
        QVERIFY(!f.row(0).isEmpty());
        space(); // Stop: the rows are cleared
        QVERIFY(!w->isReading());
        QCOMPARE(f.row(0), QString());
    }
    // An auto-repeated Space does not switch back and forth.
    QWidget *focus = QApplication::focusWidget();
    QTest::simulateEvent(focus, true, Qt::Key_Space, Qt::NoModifier, u" "_s, false);
    QTest::simulateEvent(focus, true, Qt::Key_Space, Qt::NoModifier, u" "_s, true);
    QTest::simulateEvent(focus, false, Qt::Key_Space, Qt::NoModifier, u" "_s, false);
    QVERIFY(w->isReading());
    w->reading()->stopAndClear();

    // In the shown editor Space types.
    QTest::keyClick(QApplication::activeWindow(), Qt::Key_F2);
    QVERIFY(w->editor()->isVisible());
    w->editor()->setFocus();
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("a b"));
    QVERIFY(w->editor()->text().contains(QStringLiteral("a b")));
    QVERIFY(!w->isReading());
    QTest::keyClick(QApplication::activeWindow(), Qt::Key_F2);

    // In full screen as before: start, then stop and clear.
    QTest::keyClick(QApplication::activeWindow(), Qt::Key_F3);
    FullScreenWindow *fs = w->fullScreenWindow();
    QVERIFY(QTest::qWaitForWindowActive(fs));
    QTest::keyClick(fs, Qt::Key_Space);
    QVERIFY(w->isReading());
    QTest::keyClick(fs, Qt::Key_Space);
    QVERIFY(!w->isReading());
}

void test_menus::escapeAndFileKeys_reachTheirCommands() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("один два три"));
    // Escape does nothing in the main window and leaves full screen as F3 does, reading on.
    QTest::keyClick(w, Qt::Key_Escape);
    QVERIFY(w->isVisible());
    QTest::keyClick(w, Qt::Key_F3);
    FullScreenWindow *fs = w->fullScreenWindow();
    QVERIFY(QTest::qWaitForWindowActive(fs));
    QTest::keyClick(fs, Qt::Key_Space);
    QTest::keyClick(fs, Qt::Key_Escape);
    QVERIFY(w->isVisible());
    QVERIFY(!fs->isVisible());
    QVERIFY(w->isReading());
    QVERIFY(QTest::qWaitForWindowActive(w));

    f.dialogs->saveAnswer.clear();
    f.dialogs->lastFilter.clear();
    QTest::keyClick(w, Qt::Key_O, Qt::ControlModifier);
    QVERIFY(f.dialogs->lastFilter.startsWith(QStringLiteral("Все книги и документы")));
    QVERIFY(!w->isReading()); // loading stops, as the menu item does
    f.dialogs->lastFilter.clear();
    QTest::keyClick(w, Qt::Key_S, Qt::ControlModifier);
    QVERIFY(f.dialogs->lastFilter.startsWith(QStringLiteral("Текстовые файлы")));
    // Nothing to save in a blank editor, as the File menu says.
    w->documents()->clearEditor();
    f.dialogs->lastFilter.clear();
    QTest::keyClick(w, Qt::Key_S, Qt::ControlModifier);
    QVERIFY(f.dialogs->lastFilter.isEmpty());
    QTest::keyClick(w, Qt::Key_Q, Qt::ControlModifier);
    QVERIFY(w->isShutDown());
}

namespace {

// Notes the check mark each drawn menu item asks for, by caption.
class MarkRecorder final : public QProxyStyle {
public:
    QHash<QString, QStyleOptionMenuItem::CheckType> marks;
    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget) const override {
        if (element == CE_MenuItem) {
            const auto *item = static_cast<const QStyleOptionMenuItem *>(option);
            const_cast<MarkRecorder *>(this)->marks.insert(item->text.section(u'\t', 0, 0),
                                                           item->checkType);
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }
};

} // namespace

void test_menus::exclusiveChoices_areRadioGroups() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("текст"));
    // Pause modes, time or speed, in the main menu and the pop-ups.
    for (const char *name : {"MnPause", "N3", "PumPause", "PopupMenu3"}) {
        QMenu *shown = menu(w, name);
        MarkRecorder style;
        shown->setStyle(&style);
        shown->adjustSize();
        shown->grab();
        shown->setStyle(nullptr);
        QVERIFY2(!style.marks.isEmpty(), name);
        for (auto it = style.marks.cbegin(); it != style.marks.cend(); ++it) {
            if (it.key().isEmpty()) // a separator
                continue;
            const bool choice =
                it.key().compare(u"Показывать время и скорость"_s, Qt::CaseInsensitive) != 0;
            QCOMPARE(it.value(),
                     choice ? QStyleOptionMenuItem::Exclusive : QStyleOptionMenuItem::NonExclusive);
        }
    }
}

void test_menus::accelerators_workWithCyrillicLetters() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("текст"));
    // A Russian layout delivers the Cyrillic letter as the key.
    auto altKey = [w](char16_t upper, char16_t lower) {
        const auto key = static_cast<Qt::Key>(upper);
        QTest::sendKeyEvent(QTest::Press, w, key, QString(QChar(lower)), Qt::AltModifier);
        QTest::sendKeyEvent(QTest::Release, w, key, QString(QChar(lower)), Qt::AltModifier);
    };
    // "&Показать редактор" and "С&прятать редактор" share the letter; the visible one
    // acts, however the editor was switched before.
    altKey(u'П', u'п');
    QVERIFY(w->editor()->isVisible());
    altKey(u'П', u'п');
    QVERIFY(!w->editor()->isVisible());
    QTest::keyClick(w, Qt::Key_F2);
    QVERIFY(w->editor()->isVisible());
    altKey(u'П', u'п');
    QVERIFY(!w->editor()->isVisible());
    altKey(u'П', u'п');
    QVERIFY(w->editor()->isVisible());
    QTest::keyClick(w, Qt::Key_F2);
    altKey(u'П', u'п');
    QVERIFY(w->editor()->isVisible());

    QPointer<QWidget> opened;
    QTimer::singleShot(0, w, [&opened] {
        opened = QApplication::activePopupWidget();
        if (opened)
            opened->close();
    });
    altKey(u'Ф', u'ф');
    QCoreApplication::processEvents();
    QCOMPARE(opened.data(), static_cast<QWidget *>(menu(w, "N1")));
}

void test_menus::fileMenus_followClipboardAndEditorText() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("  \n \t\n  "));
    const char *menus[] = {"N1", "PumFile"};
    const char *loads[] = {"MnLoadFromBuffer", "N19"};
    for (const QString &clip : {QString(), QStringLiteral(" \r\n\t ")}) {
        f.clipboard = clip;
        for (int i = 0; i < 2; ++i) {
            open(w, menus[i]);
            QVERIFY2(!namedAction(w, loads[i])->isEnabled(), loads[i]);
        }
    }
    for (const char *name : {"MnSaveEdit", "MnClearEdit", "N58", "N59"})
        QVERIFY2(!namedAction(w, name)->isEnabled(), name);

    f.clipboard = QStringLiteral("  слово ");
    w->editor()->setText(QStringLiteral("\n  я\n"));
    for (int i = 0; i < 2; ++i) {
        open(w, menus[i]);
        QVERIFY2(namedAction(w, loads[i])->isEnabled(), loads[i]);
    }
    for (const char *name : {"MnSaveEdit", "MnClearEdit", "N58", "N59"})
        QVERIFY2(namedAction(w, name)->isEnabled(), name);
}

void test_menus::pauseMenu_followsPunctuationOnlyInMainMenu() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("текст"));
    w->actions().MnReactOnSigns->trigger();
    QVERIFY(!w->actions().MnReactOnSigns->isChecked());
    open(w, "N22");
    QVERIFY(!w->actions().MnPause->isEnabled());
    open(w, "PopupMenu1");
    open(w, "PumTumes");
    QVERIFY(w->actions().PumPause->isEnabled());
    QVERIFY(!w->actions().PumReactOnSigns->isChecked());
    open(w, "PumPause");
    w->actions().PumShortPause->trigger();
    QVERIFY(w->actions().MnShortPause->isChecked());
    QVERIFY(!w->actions().MnWithoutPause->isChecked());

    w->actions().PumReactOnSigns->trigger();
    open(w, "N22");
    QVERIFY(w->actions().MnReactOnSigns->isChecked());
    QVERIFY(w->actions().MnPause->isEnabled());

    // The pop-up's pause items are brought up to date when their submenu opens.
    w->actions().MnSmartPause->trigger();
    QVERIFY(w->actions().PumShortPause->isChecked());
    open(w, "PumPause");
    QVERIFY(w->actions().PumSmartPause->isChecked());
    for (const char *name : {"PumWithoutPause", "PumShortPause", "PumLongPause"})
        QVERIFY2(!namedAction(w, name)->isChecked(), name);
}

void test_menus::shownEditor_disablesDisplayItemsAndFullScreen() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("текст"));
    for (bool shown : {true, false}) {
        if (shown)
            w->editing()->toggleEditor();
        else
            w->editing()->hideEditor();
        QCOMPARE(w->editor()->isVisible(), shown);
        open(w, "N2");
        open(w, "PopupMenu1");
        for (const char *name : {"N13", "N14", "PumFont", "PumBackGround", "PumFullScreen"})
            QVERIFY2(namedAction(w, name)->isEnabled() == !shown, name);
        for (const char *name : {"MnEditFont", "MnEditColor"})
            QVERIFY2(namedAction(w, name)->isEnabled() == shown, name);
        QCOMPARE(w->actions().MnFulScreen->isEnabled(), !shown);
        QVERIFY(w->actions().PumFullScreen->isVisible());
        QCOMPARE(w->actions().PumShowEdit->isVisible(), !shown);
        QCOMPARE(w->actions().PumHideEdit->isVisible(), shown);
    }
}

void test_menus::fullScreen_popupOffersWindowInstead() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("текст"));
    w->actions().MnFulScreen->trigger();
    QVERIFY(w->fullScreenWindow()->isVisible());
    open(w, "PopupMenu1");
    QVERIFY(w->actions().PumWindow->isVisible());
    QVERIFY(!w->actions().PumFullScreen->isVisible());
    QVERIFY(w->actions().PumShowEdit->isVisible());
    QVERIFY(!w->actions().PumShowEdit->isEnabled());
    QVERIFY(!w->actions().PumHideEdit->isVisible());
    QVERIFY(w->actions().PumFont->isEnabled());
    w->actions().PumWindow->trigger();
    QVERIFY(w->isVisible());
    open(w, "PopupMenu1");
    QVERIFY(!w->actions().PumWindow->isVisible());
    QVERIFY(w->actions().PumFullScreen->isVisible());
    QVERIFY(w->actions().PumShowEdit->isEnabled());
}

void test_menus::popupToggles_showInMainMenuAtOnce_andInPopupAtNextOpening() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("текст"));
    open(w, "PopupMenu1");
    open(w, "PumTumes");
    w->actions().PumDelMin->trigger();
    open(w, "N22");
    QVERIFY(w->actions().MnDelMin->isChecked());

    // Changed from the main menu, the pop-up catches up only when it opens.
    w->actions().MnDelMin->trigger();
    w->actions().MnReadNonStop->trigger();
    w->actions().MnReactOnFocus->trigger();
    QVERIFY(w->actions().PumDelMin->isChecked());
    QVERIFY(!w->actions().PumReadNonStop->isChecked());
    open(w, "PumTumes");
    QVERIFY(!w->actions().PumDelMin->isChecked());
    QVERIFY(w->actions().PumReadNonStop->isChecked());
    QVERIFY(w->actions().PumReactOnFocus->isChecked());
    QVERIFY(w->actions().PumReactOnSigns->isChecked());
    w->actions().MnFocusLetter->trigger();
    open(w, "PumTumes");
    QVERIFY(w->actions().PumFocusLetter->isChecked());
    w->actions().PumContextOnStop->trigger();
    QVERIFY(w->actions().MnContextOnStop->isChecked());

    // A pop-up item whose check is stale still flips the main option.
    w->actions().MnDelMin->trigger();
    QVERIFY(!w->actions().PumDelMin->isChecked());
    w->actions().PumDelMin->trigger();
    QVERIFY(!w->actions().MnDelMin->isChecked());
}

void test_menus::startAndStop_followTheButtons() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("один два три"));
    auto offers = [w] {
        open(w, "PopupMenu1");
        return std::pair(w->actions().PumStart->isVisible(), w->actions().PumStop->isVisible());
    };
    QCOMPARE(offers(), std::pair(true, false));
    w->actions().PumStart->trigger();
    QVERIFY(w->isReading());
    QCOMPARE(offers(), std::pair(false, true));
    w->actions().MnFulScreen->trigger();
    QCOMPARE(offers(), std::pair(false, true));
    w->actions().PumStop->trigger();
    QVERIFY(!w->isReading());
    QCOMPARE(offers(), std::pair(true, false));
}

void test_menus::contextMenus_areTheProgramsOwn() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("один два три"));
    QMenu *display = menu(w, "PopupMenu1");
    QMenu *editor = menu(w, "PopupMenu2");
    QMenu *statistics = menu(w, "PopupMenu3");
    ControlStrip *strip = w->strip();

    QList<QWidget *> displayTargets{w->mainPanel(), w->mainPanel()->row(0)};
    for (UpDownBox *box : {strip->UpDown1, strip->UpDown2, strip->UpDown3, strip->UpDown4})
        displayTargets << box << box->findChild<QLineEdit *>() << box->parentWidget();
    for (QWidget *target : displayTargets)
        QVERIFY2(rightClick(target) == display, qPrintable(target->objectName()));
    QCOMPARE(rightClick(w->statisticsBar()), statistics);
    QCOMPARE(rightClick(w->statisticsBar()->PnReading), statistics);
    QCOMPARE(rightClick(w->statisticsBar()->PnSigns1), statistics);

    w->editing()->toggleEditor();
    QCOMPARE(rightClick(w->editor()->viewport()), editor);
    w->editing()->hideEditor();

    w->actions().MnFulScreen->trigger();
    FullScreenWindow *fs = w->fullScreenWindow();
    QCOMPARE(rightClick(fs->panel()), display);
    QCOMPARE(rightClick(fs->panel()->row(0)), display);
}

void test_menus::aboutBox_suspendsRunAndResumesWithFreshCount() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("один два три"));
    w->actions().MnReactOnFocus->trigger();
    w->reading()->start();
    QVERIFY(w->timers().t1->isActive());

    bool ranWhileOpen = false;
    ModalCloser closer;
    closer.whileOpen = [&] {
        ranWhileOpen = true;
        QVERIFY(!w->timers().t1->isActive());
        QVERIFY(!w->timers().T2->isActive());
        // Coming back to the program does not resume under the open box.
        w->reading()->applicationDeactivated();
        w->reading()->applicationActivated();
        QVERIFY(!w->timers().t1->isActive());
        QVERIFY(!w->timers().T2->isActive());
        w->engine().state().WordCount = 6;
    };
    closer.arm();
    w->actions().N5->trigger();
    QVERIFY(ranWhileOpen);
    QCOMPARE(closer.seen, QStringLiteral("TForm3"));
    QVERIFY(w->isReading());
    QVERIFY(w->timers().t1->isActive());
    QVERIFY(w->timers().T2->isActive());
    QCOMPARE(w->engine().state().WordCount, 0);

    w->reading()->stopAndClear();
    closer.whileOpen = nullptr;
    closer.seen.clear();
    closer.arm();
    w->actions().N5->trigger();
    QCOMPARE(closer.seen, QStringLiteral("TForm3"));
    QVERIFY(!w->isReading());
    QVERIFY(!w->timers().t1->isActive());
}

void test_menus::help_withFile_opensFromBothWindows() {
    WindowFixture f;
    const QString source =
        qEnvironmentVariable("ZK_SOURCE_DIR") + QStringLiteral("/data/Readme.rtf");
    QVERIFY2(QFile::copy(source, f.path(QStringLiteral("Readme.rtf"))), qPrintable(source));
    MainWindow *w = f.startWithText(QStringLiteral("один два три"));
    QVERIFY(w->actions().MnHelp->isVisible());
    w->reading()->start();

    QWidget *parent = nullptr;
    ModalCloser closer;
    closer.whileOpen = [&] {
        parent = QApplication::activeModalWidget()->parentWidget();
        QVERIFY(!w->timers().t1->isActive());
        w->engine().state().WordCount = 6;
    };
    closer.arm();
    QTest::keyClick(QApplication::activeWindow(), Qt::Key_F1);
    QCOMPARE(closer.seen, QStringLiteral("TForm4"));
    QCOMPARE(parent, w);
    QVERIFY(w->timers().t1->isActive());
    QCOMPARE(w->engine().state().WordCount, 0);

    closer.seen.clear();
    closer.arm();
    w->actions().MnHelp->trigger();
    QCOMPARE(closer.seen, QStringLiteral("TForm4"));

    w->actions().MnFulScreen->trigger();
    QVERIFY(QTest::qWaitForWindowActive(w->fullScreenWindow()));
    closer.seen.clear();
    closer.arm();
    QTest::keyClick(w->fullScreenWindow(), Qt::Key_F1);
    QCOMPARE(closer.seen, QStringLiteral("TForm4"));
    QCOMPARE(parent, w->fullScreenWindow());
    QVERIFY(w->isReading());

    // The about box's help link closes the box and opens the help.
    QString helpSeen;
    QTimer helpCloser;
    helpCloser.setInterval(10);
    connect(&helpCloser, &QTimer::timeout, &helpCloser, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && modal->objectName() == QStringLiteral("TForm4")) {
            helpSeen = modal->objectName();
            modal->close();
            helpCloser.stop();
        }
    });
    helpCloser.start();
    closer.seen.clear();
    closer.whileOpen = [] {
        static_cast<AboutBox *>(QApplication::activeModalWidget())->askForHelp();
    };
    closer.arm();
    w->actions().N5->trigger();
    QCOMPARE(closer.seen, QStringLiteral("TForm3"));
    QCOMPARE(helpSeen, QStringLiteral("TForm4"));
    QVERIFY(w->isReading());
}

QTEST_MAIN(test_menus)
#include "test_menus.moc"
