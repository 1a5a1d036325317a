#include "WindowFixture.h"

#include "display/FullScreenWindow.h"
#include "display/StatisticsBar.h"

#include <QLineEdit>
#include <QMenu>
#include <QWheelEvent>

using namespace zk;

class test_controls : public QObject {
    Q_OBJECT
private slots:
    void delay_arrowsWalkTheTable_andDoubleClickResets();
    void restoredDelay_stepsFromItself();
    void spinners_moveOneStepWhateverTheInput();
    void progress_wrapsAndJumps();
    void progress_duringRun_movesReadingLine();
    void progress_emptyEditorShowsZero();
    void rowCount_cappedByWhatFits_clearsRowsOfBothWindows();
    void rowCapacity_measuredFromWidthAndFont();
    void statistics_showSpeedsAfterNineTicks();
    void statistics_showOptions();
    void fullScreen_continuesRun_andRowsStayInStep();
    void fullScreen_spaceStopsAndClears_clickStopsAndKeeps();
    void blankDisplay_showsHint_untilThereIsText();
};

namespace {

void press(QWidget *w, Qt::Key key, int times = 1) {
    for (int i = 0; i < times; ++i)
        QTest::keyClick(w, key);
}

void wheel(QWidget *w, int notches, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    QWheelEvent event(at, w->mapToGlobal(at), QPoint(), QPoint(0, notches * 120), Qt::NoButton,
                      modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &event);
}

} // namespace

void test_controls::delay_arrowsWalkTheTable_andDoubleClickResets() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("текст"));
    UpDownBox *delay = w->strip()->UpDown2;
    QCOMPARE(delay->value(), 140);
    QList<int> seen{delay->value()};
    for (int i = 0; i < 5; ++i) {
        press(delay, Qt::Key_Up);
        seen << delay->value();
    }
    QCOMPARE(seen, (QList<int>{140, 160, 180, 200, 250, 300}));
    press(delay, Qt::Key_Up, 4);
    QCOMPARE(delay->value(), 500);
    press(delay, Qt::Key_Up);
    QCOMPARE(delay->value(), 600);
    press(delay, Qt::Key_Up, 4);
    QCOMPARE(delay->value(), 1000);
    press(delay, Qt::Key_Up);
    QCOMPARE(delay->value(), 1500);
    press(delay, Qt::Key_Up, 40);
    QCOMPARE(delay->value(), 9000);
    press(delay, Qt::Key_Down);
    QCOMPARE(delay->value(), 8500);
    press(delay, Qt::Key_Down, 15);
    QCOMPARE(delay->value(), 1000);
    press(delay, Qt::Key_Down, 5);
    QCOMPARE(delay->value(), 500);
    press(delay, Qt::Key_Down, 6);
    QCOMPARE(delay->value(), 200);
    press(delay, Qt::Key_Down, 4);
    QCOMPARE(delay->value(), 120);
    press(delay, Qt::Key_Down);
    QCOMPARE(delay->value(), 100);
    press(delay, Qt::Key_Down, 10);
    QCOMPARE(delay->value(), 50);
    QCOMPARE(w->timers().t1->interval(), 50);

    // Double-click: at another delay it sets 140, the running timer follows and
    // counting restarts; at 140 nothing happens.
    f.startReading();
    w->timers().t1->start();
    w->engine().state().WordCount = 9;
    QTest::mouseDClick(delay->findChild<QLineEdit *>(QStringLiteral("Edit2")), Qt::LeftButton);
    QCOMPARE(delay->value(), 140);
    QCOMPARE(w->timers().t1->interval(), 140);
    QVERIFY(w->timers().t1->isActive());
    QCOMPARE(w->engine().state().WordCount, 0);
    w->engine().state().WordCount = 9;
    QTest::mouseDClick(w->strip()->Panel8, Qt::LeftButton);
    QCOMPARE(w->engine().state().WordCount, 9);
}

void test_controls::restoredDelay_stepsFromItself() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("текст"));
    UpDownBox *delay = w->strip()->UpDown2;
    delay->setValue(130); // as a restore does
    QCOMPARE(delay->value(), 130);
    QCOMPARE(w->timers().t1->interval(), 130);
    press(delay, Qt::Key_Up);
    QCOMPARE(delay->value(), 150);
    delay->setValue(110); // snaps like an arrow press would
    QCOMPARE(delay->value(), 120);
}

void test_controls::spinners_moveOneStepWhateverTheInput() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("текст"));
    UpDownBox *delay = w->strip()->UpDown2;
    press(delay, Qt::Key_PageUp);
    press(delay, Qt::Key_PageDown);
    QTest::keyClick(delay, Qt::Key_Up, Qt::ControlModifier);
    QCOMPARE(delay->value(), 140);
    wheel(delay, 2, Qt::ControlModifier);
    QCOMPARE(delay->value(), 160);
    wheel(delay, 3);
    QCOMPARE(delay->value(), 180);
    wheel(delay, -1);
    wheel(delay, -1);
    QCOMPARE(delay->value(), 140);

    UpDownBox *progress = w->strip()->UpDown1;
    press(progress, Qt::Key_PageUp);
    QTest::keyClick(progress, Qt::Key_Down, Qt::ControlModifier);
    QCOMPARE(progress->value(), 0);
    wheel(progress, 2);
    QCOMPARE(progress->value(), 1);
}

void test_controls::progress_wrapsAndJumps() {
    WindowFixture f;
    QStringList lines;
    for (int i = 0; i < 10; ++i)
        lines << QStringLiteral("строка номер %1").arg(i);
    MainWindow *w = f.startWithText(lines.join(QLatin1Char('\n')));
    UpDownBox *progress = w->strip()->UpDown1;
    press(progress, Qt::Key_Down); // 0 wraps to 99
    QCOMPARE(progress->value(), 99);
    // Nothing was read since the jump: the caret lands on line 9 itself.
    QCOMPARE(w->engine().state().CurrentLine, 9);
    w->engine().state().ReadBuffer = QStringLiteral("остаток ");
    press(progress, Qt::Key_Up); // 99 wraps to 0: the start of the text
    QCOMPARE(progress->value(), 0);
    QCOMPARE(w->engine().state().CurrentLine, 0);
    QVERIFY(w->engine().state().ReadBuffer.isEmpty());
    // A double-click on the panel jumps to the start too.
    press(progress, Qt::Key_Up, 50);
    QTest::mouseDClick(w->strip()->Panel7, Qt::LeftButton);
    QCOMPARE(progress->value(), 0);
    QCOMPARE(w->engine().state().CurrentLine, 0);
}

void test_controls::progress_duringRun_movesReadingLine() {
    WindowFixture f;
    QStringList lines;
    // Long lines, so the buffer never holds the end of the text.
    for (int i = 0; i < 10; ++i)
        lines << QStringLiteral("строка%1 ").arg(i) + QStringLiteral("слово ").repeated(30);
    MainWindow *w = f.startWithText(lines.join(QLatin1Char('\n')));
    f.startReading();
    w->reading()->tick();
    w->strip()->UpDown1->setValue(54);
    press(w->strip()->UpDown1, Qt::Key_Up);
    QCOMPARE(w->engine().state().CurrentLine, 5);
    QVERIFY(w->isReading());
    w->reading()->tick();
    QCOMPARE(f.row(0), QStringLiteral("строка5"));
}

void test_controls::progress_emptyEditorShowsZero() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QString());
    press(w->strip()->UpDown1, Qt::Key_Up, 3);
    QCOMPARE(w->strip()->UpDown1->value(), 0);
    w->strip()->UpDown1->setValue(40);
    QCOMPARE(w->strip()->UpDown1->value(), 0);
}

void test_controls::rowCount_cappedByWhatFits_clearsRowsOfBothWindows() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("текст"));
    DisplayPanel *panel = w->mainPanel();
    const int h = panel->rowHeight();
    w->resize(w->width(), w->height() - panel->height() + 39 + 3 * h + h / 2);
    QCOMPARE(panel->height(), 39 + 3 * h + h / 2);
    for (int i = 0; i < DisplayPanel::PieceRows; ++i) {
        panel->row(i)->setText(QStringLiteral("x"));
        w->fullScreenWindow()->panel()->row(i)->setText(QStringLiteral("x"));
    }
    w->strip()->UpDown4->setValue(9);
    QCOMPARE(w->strip()->UpDown4->value(), 9);
    QCOMPARE(w->engine().state().LineCount, 3);
    QCOMPARE(panel->row(2)->text(), QStringLiteral("x"));
    for (int i = 3; i < DisplayPanel::PieceRows; ++i) {
        QCOMPARE(panel->row(i)->text(), QString());
        QCOMPARE(w->fullScreenWindow()->panel()->row(i)->text(), QString());
    }
    QVERIFY(panel->row(2)->isVisible());
    QVERIFY(!panel->row(3)->isVisible());
    // Hiding the statistics bar gives the panel room for more.
    w->actions().MnShowTimeAndSpeed->trigger();
    QVERIFY(!w->statisticsBar()->isVisible());
    QVERIFY(panel->height() > 39 + 3 * h + h / 2);
}

void test_controls::rowCapacity_measuredFromWidthAndFont() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("текст"));
    QCOMPARE(w->engine().state().RowCapacity, 50); // before the first measurement
    QFont small(QStringLiteral("DejaVu Sans"));
    small.setPointSize(8);
    w->mainPanel()->setDisplayFont(small, Qt::yellow);
    w->resize(1600, 500);
    w->reading()->measureMainCapacityNow();
    QCOMPARE(w->engine().state().RowCapacity, 54);
    QFont big(QStringLiteral("DejaVu Sans"));
    big.setPointSize(60);
    w->mainPanel()->setDisplayFont(big, Qt::yellow);
    w->resize(600, 500);
    w->reading()->measureMainCapacityNow();
    const int narrow = w->engine().state().RowCapacity;
    QVERIFY(narrow > 0 && narrow < 20);
    // The hidden window's measurement leaves it alone.
    w->reading()->measureFullScreenCapacityNow();
    QCOMPARE(w->engine().state().RowCapacity, narrow);
    // A request while the timer is armed does not postpone it.
    w->reading()->measureRowCapacity();
    QTimer *t = w->timers().TMaxLength;
    QVERIFY(t->isActive());
    const int remaining = t->remainingTime();
    QTest::qWait(30);
    w->reading()->measureRowCapacity();
    QVERIFY(t->remainingTime() <= remaining);
}

void test_controls::statistics_showSpeedsAfterNineTicks() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("текст"));
    StatisticsBar *bar = w->statisticsBar();
    f.startReading();
    w->timers().T2->stop();
    for (int tick = 1; tick <= 8; ++tick) {
        f.clock.advance(1000);
        w->engine().state().WordCount = 4 * tick;
        w->engine().state().SignCount = 25 * tick;
        w->reading()->showReadingStatistics();
        QCOMPARE(bar->PnSigns1->text(), QString());
        QCOMPARE(bar->PnWords1->text(), QString());
    }
    f.clock.advance(1000);
    w->engine().state().WordCount = 37;
    w->engine().state().SignCount = 201;
    w->reading()->showReadingStatistics();
    QCOMPARE(bar->PnWords1->text(), QStringLiteral("240"));
    QCOMPARE(bar->PnSigns1->text(), QStringLiteral("1300"));
    QCOMPARE(bar->PnReading->text(), QStringLiteral("0:00:09"));
    w->reading()->ActBeginToCount();
    QCOMPARE(bar->PnSigns1->text(), QString());
    // Reading time reset by a double-click.
    QTest::mouseDClick(bar->PnReading, Qt::LeftButton);
    QCOMPARE(bar->PnReading->text(), QStringLiteral("0:00:00"));
    f.clock.advance(3000);
    w->reading()->showReadingStatistics();
    QCOMPARE(bar->PnReading->text(), QStringLiteral("0:00:03"));
}

void test_controls::statistics_showOptions() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("текст"));
    StatisticsBar *bar = w->statisticsBar();
    QVERIFY(bar->PnSigns->isVisible());
    QVERIFY(!bar->PnWords->isVisible());
    QTest::mouseDClick(bar->PnSigns, Qt::LeftButton);
    QVERIFY(bar->PnWords->isVisible());
    QVERIFY(!bar->PnSigns->isVisible());
    QVERIFY(w->actions().MnShowSpeedInWords->isChecked());
    QVERIFY(!w->actions().MnShowSpeedInSigns->isChecked());
    w->actions().MnShowTimeOfWork->trigger();
    QVERIFY(bar->PnWork->isVisible());
    QVERIFY(!bar->PnReading->isVisible());
    QVERIFY(w->actions().MnShowTimeOfWork->isChecked());
    QVERIFY(!w->actions().MnShowTimeOfReading->isChecked());
    f.clock.advance(3723000);
    w->reading()->showWorkTime();
    QCOMPARE(bar->PnWork->text(), QStringLiteral("1:02:03"));
    auto *popup = w->findChild<QMenu *>(QStringLiteral("PopupMenu3"));
    QVERIFY(popup);
    emit popup->aboutToShow();
    QVERIFY(w->actions().PumShowTimeOfWork->isChecked());
    QVERIFY(!w->actions().PumShowTimeOfReading->isChecked());
    QVERIFY(w->actions().PumShowSpeedInWords->isChecked());
    QVERIFY(w->actions().PumShowTimeAndSpeed->isChecked());
}

void test_controls::fullScreen_continuesRun_andRowsStayInStep() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("один два три четыре пять шесть"));
    w->strip()->UpDown3->setValue(3);
    w->strip()->UpDown4->setValue(2);
    f.startReading();
    w->reading()->tick();
    QCOMPARE(f.row(0), QStringLiteral("один"));
    QCOMPARE(f.row(1), QStringLiteral("два"));
    w->engine().state().WordCount = 5;
    w->actions().MnFulScreen->trigger();
    FullScreenWindow *fs = w->fullScreenWindow();
    QVERIFY(fs->isVisible());
    QVERIFY(!w->isVisible());
    QVERIFY(w->isReading());
    QCOMPARE(w->engine().state().WordCount, 0);
    QCOMPARE(fs->panel()->row(0)->text(), QStringLiteral("один"));
    QCOMPARE(fs->panel()->row(1)->text(), QStringLiteral("два"));
    w->reading()->tick();
    QCOMPARE(fs->panel()->row(0)->text(), QStringLiteral("три"));
    QCOMPARE(f.row(0), QStringLiteral("один")); // the hidden window is not updated
    // Back: the main window copies the rows and their visibility.
    w->actions().MnFulScreen->trigger();
    QVERIFY(w->isVisible());
    QVERIFY(!fs->isVisible());
    QCOMPARE(f.row(0), QStringLiteral("три"));
    QCOMPARE(f.row(1), QStringLiteral("четыре"));
    QVERIFY(w->isReading());
}

void test_controls::fullScreen_spaceStopsAndClears_clickStopsAndKeeps() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("один два три четыре"));
    w->strip()->UpDown3->setValue(3);
    w->actions().MnFulScreen->trigger();
    FullScreenWindow *fs = w->fullScreenWindow();
    QVERIFY(QTest::qWaitForWindowActive(fs)); // Space is a key of the active window
    QTest::keyClick(fs, Qt::Key_Space);
    QVERIFY(w->isReading());
    w->timers().t1->stop();
    w->reading()->tick();
    QCOMPARE(fs->panel()->row(0)->text(), QStringLiteral("один"));
    // A single click on a row stops and keeps the rows.
    QTest::mouseClick(fs->panel()->row(0), Qt::LeftButton);
    QVERIFY(!w->isReading());
    QCOMPARE(fs->panel()->row(0)->text(), QStringLiteral("один"));
    QTest::mouseClick(fs->panel()->row(0), Qt::LeftButton);
    QVERIFY(w->isReading());
    w->timers().t1->stop();
    w->reading()->tick();
    QTest::keyClick(fs, Qt::Key_Space);
    QVERIFY(!w->isReading());
    QCOMPARE(fs->panel()->row(0)->text(), QString());
    QCOMPARE(f.row(0), QString());
    // F3 through the "F3" panel goes back.
    QTest::mouseClick(fs->findChild<QWidget *>(QStringLiteral("Panel1")), Qt::LeftButton);
    QVERIFY(w->isVisible());
}

void test_controls::blankDisplay_showsHint_untilThereIsText() {
    const QString hint =
        QStringLiteral("Откройте книгу: Файл → Загрузить из файла, или перетащите файл сюда. "
                       "F2 — вставить свой текст.");
    WindowFixture f;
    MainWindow *w = f.start(); // the first start: no text kept
    DisplayPanel *panel = w->mainPanel();
    QCOMPARE(panel->hint(), hint);
    auto *label = panel->findChild<QLabel *>(QStringLiteral("DisplayHint"));
    QVERIFY(label && label->isVisible());
    QCOMPARE(label->palette().color(QPalette::WindowText), panel->displayColor());
    QCOMPARE(w->fullScreenWindow()->panel()->hint(), hint);

    f.clipboard = QStringLiteral("Текст из буфера.");
    w->documents()->loadFromClipboard();
    QTRY_COMPARE(panel->hint(), QString());
    QCOMPARE(w->fullScreenWindow()->panel()->hint(), QString());
    w->documents()->clearEditor();
    QTRY_COMPARE(panel->hint(), hint);

    // The shown editor covers it; typed text keeps it away once the editor hides.
    QTest::keyClick(w, Qt::Key_F2);
    QVERIFY(w->editor()->isVisible());
    QCOMPARE(panel->hint(), QString());
    QTest::keyClick(w, Qt::Key_F2);
    QTRY_COMPARE(panel->hint(), hint);
    QTest::keyClick(w, Qt::Key_F2);
    QTest::keyClicks(w->editor(), QStringLiteral("word"));
    QTest::keyClick(w, Qt::Key_F2);
    QCoreApplication::processEvents();
    QCOMPARE(panel->hint(), QString());
}

QTEST_MAIN(test_controls)
#include "test_controls.moc"
