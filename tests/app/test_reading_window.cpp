#include "WindowFixture.h"

#include "app/commands/JournalController.h"
#include "display/FullScreenWindow.h"
#include "display/RowGeometry.h"
#include "display/StatisticsBar.h"

#include "app/DataFolder.h"
#include "exercises/SchulteWindow.h"
#include "journal/JournalWindow.h"

#include <QLabel>
#include <QMenu>
#include <QTableWidget>

#include <fcntl.h>
#include <unistd.h>

using namespace zk;
using namespace Qt::StringLiterals;

class test_reading_window : public QObject {
    Q_OBJECT
private slots:
    void sentenceEnd_underSmartPause_staysThreeTicks();
    void endOfText_oneRow_stopsTwoTicksAfterLastPiece();
    void endOfText_severalRows_emptiesLaterRowsAndStopsNextTick();
    void noRowFits_ticksConsumeNothing();
    void startAfterStop_resumesWithNextWord_andZeroCounts();
    void stopButton_clears_doubleClick_keeps();
    void blankEditor_startDoesNothing();
    void pauseModes_areExclusive_andRestartCounting();
    void inactivity_suspendsOnlyWithOption();
    void rowLayout_centresRows();
    void runs_areJournalSessions_andRecentBooksReopenWhereLeft();
    void journal_comesBack_keepsSystemNames_andBooksReadToTheEnd();
    void paceChangedMidRun_endsTheSession_andStartsAnother();
    void schulteTable_suspendsReading_andAnAbandonedOneIsNotKept();
    void ctrlArrows_stepWhileReading_andMoveTheShownEditorsCaret();
};

namespace {

void useSmartPause(MainWindow *w) {
    w->actions().MnSmartPause->trigger();
}

} // namespace

void test_reading_window::sentenceEnd_underSmartPause_staysThreeTicks() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("Мама мыла раму. Папа читал."));
    useSmartPause(w);
    w->engine().state().RowCapacity = 20;
    f.startReading();
    QVERIFY(w->isReading());
    QCOMPARE(w->timers().t1->interval(), 140);

    const QStringList expected = {QStringLiteral("Мама мыла"),
                                  QStringLiteral("Мама мыла"),
                                  QStringLiteral("Мама мыла"),
                                  QStringLiteral("раму."),
                                  QStringLiteral("раму."),
                                  QStringLiteral("раму."),
                                  QStringLiteral("Папа"),
                                  QStringLiteral("читал."),
                                  QStringLiteral("читал."),
                                  QStringLiteral("читал."),
                                  QString()};
    for (const QString &shown : expected) {
        w->reading()->tick();
        QCOMPARE(f.row(0), shown);
    }
    QVERIFY(w->isReading());
    w->reading()->tick();
    QVERIFY(!w->isReading());
    QCOMPARE(w->strip()->UpDown1->value(), 0);
}

void test_reading_window::endOfText_oneRow_stopsTwoTicksAfterLastPiece() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("раз два"));
    w->strip()->UpDown3->setValue(3);
    f.startReading();
    w->reading()->tick();
    QCOMPARE(f.row(0), QStringLiteral("раз"));
    w->reading()->tick();
    QCOMPARE(f.row(0), QStringLiteral("два"));
    w->reading()->tick(); // empty piece: the row is emptied, the run goes on for one tick
    QCOMPARE(f.row(0), QString());
    QVERIFY(w->isReading());
    w->reading()->tick();
    QVERIFY(!w->isReading());
    // The next Start reads the text again from its first line.
    f.startReading();
    w->reading()->tick();
    QCOMPARE(f.row(0), QStringLiteral("раз"));
}

void test_reading_window::endOfText_severalRows_emptiesLaterRowsAndStopsNextTick() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("раз два"));
    w->strip()->UpDown3->setValue(3);
    w->strip()->UpDown4->setValue(3);
    QCOMPARE(w->engine().state().LineCount, 3);
    f.startReading();
    w->reading()->tick();
    QCOMPARE(f.row(0), QStringLiteral("раз"));
    QCOMPARE(f.row(1), QStringLiteral("два"));
    QCOMPARE(f.row(2), QString());
    QVERIFY(w->isReading());
    w->reading()->tick();
    QVERIFY(!w->isReading());
    QCOMPARE(f.row(0), QString());
}

void test_reading_window::noRowFits_ticksConsumeNothing() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("раз два три четыре"));
    QFont huge(QStringLiteral("DejaVu Sans"));
    huge.setPixelSize(2000);
    w->mainPanel()->setDisplayFont(huge, Qt::yellow);
    w->reading()->fitRowCount();
    QCOMPARE(w->engine().state().LineCount, 0);
    f.startReading();
    const int line = w->engine().state().CurrentLine;
    for (int i = 0; i < 5; ++i)
        w->reading()->tick();
    QVERIFY(w->isReading());
    QCOMPARE(w->engine().state().CurrentLine, line);
    QCOMPARE(w->engine().state().WordCount, 0);
    QVERIFY(!w->mainPanel()->row(0)->isVisible());
}

void test_reading_window::startAfterStop_resumesWithNextWord_andZeroCounts() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("один два три четыре"));
    w->strip()->UpDown3->setValue(3);
    f.startReading();
    w->reading()->tick();
    w->reading()->tick();
    QCOMPARE(f.row(0), QStringLiteral("два"));
    QCOMPARE(w->engine().state().WordCount, 2);
    w->actions().ActBtStop->trigger();
    QVERIFY(!w->isReading());
    f.startReading();
    QCOMPARE(w->engine().state().WordCount, 0);
    QCOMPARE(w->engine().state().SignCount, 0);
    w->reading()->tick();
    QCOMPARE(f.row(0), QStringLiteral("три"));
}

void test_reading_window::stopButton_clears_doubleClick_keeps() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("один два три"));
    w->strip()->UpDown3->setValue(3);
    f.startReading();
    w->reading()->tick();
    QTest::mouseDClick(w->mainPanel(), Qt::LeftButton);
    QVERIFY(!w->isReading());
    QCOMPARE(f.row(0), QStringLiteral("один"));
    QTest::mouseDClick(w->mainPanel(), Qt::LeftButton);
    QVERIFY(w->isReading());
    w->timers().t1->stop();
    w->reading()->tick();
    QCOMPARE(f.row(0), QStringLiteral("два"));
    QTest::mouseClick(w->strip()->BtStop, Qt::LeftButton);
    QVERIFY(!w->isReading());
    QCOMPARE(f.row(0), QString());
    QCOMPARE(w->fullScreenWindow()->panel()->row(0)->text(), QString());
}

void test_reading_window::blankEditor_startDoesNothing() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("  \n\t\n"));
    // Start asks for a file first; answer the dialog with a cancel.
    QTimer::singleShot(0, [] {
        if (QWidget *dialog = QApplication::activeModalWidget())
            dialog->close();
    });
    w->reading()->start();
    QVERIFY(!w->isReading());
    QVERIFY(!w->timers().t1->isActive());
}

void test_reading_window::pauseModes_areExclusive_andRestartCounting() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("текст"));
    w->engine().state().WordCount = 7;
    w->actions().MnLongPause->trigger();
    QCOMPARE(w->engine().state().WordCount, 0);
    int checkedModes = 0;
    for (const char *m : {"MnWithoutPause", "MnShortPause", "MnLongPause", "MnSmartPause"})
        checkedModes += namedAction(w, m)->isChecked();
    QCOMPARE(checkedModes, 1);
    QVERIFY(w->actions().MnLongPause->isChecked());
    w->actions().MnLongPause->trigger(); // choosing the checked mode again keeps it
    QVERIFY(w->actions().MnLongPause->isChecked());
    w->actions().PumSmartPause->trigger();
    QVERIFY(w->actions().MnSmartPause->isChecked());
    QVERIFY(!w->actions().MnLongPause->isChecked());

    w->engine().state().WordCount = 7;
    w->actions().MnDelMin->trigger();
    QCOMPARE(w->engine().state().WordCount, 7); // hyphen removal does not change the pace
    QVERIFY(w->actions().MnDelMin->isChecked());
}

void test_reading_window::inactivity_suspendsOnlyWithOption() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("один два три"));
    w->reading()->start();
    w->reading()->applicationDeactivated();
    QVERIFY(w->timers().t1->isActive());
    w->actions().MnReactOnFocus->trigger();
    w->reading()->applicationDeactivated();
    QVERIFY(!w->timers().t1->isActive());
    QVERIFY(!w->timers().T2->isActive());
    QVERIFY(w->isReading());
    w->engine().state().WordCount = 5;
    w->reading()->applicationActivated();
    QVERIFY(w->timers().t1->isActive());
    QCOMPARE(w->engine().state().WordCount, 0);

    // Not reading: T2 stops on deactivation and stays stopped on return.
    w->actions().ActBtStop->trigger();
    w->timers().T2->start();
    w->reading()->applicationDeactivated();
    w->reading()->applicationActivated();
    QVERIFY(!w->timers().T2->isActive());
    QVERIFY(!w->timers().t1->isActive());
}

void test_reading_window::rowLayout_centresRows() {
    QCOMPARE(RowGeometry::tops(300, 3, 63, RowGeometry::MainOffset), (QList<int>{64, 127, 190}));
    QCOMPARE(RowGeometry::tops(300, 3, 63, 0), (QList<int>{55, 118, 181}));
    // Too many rows: the margin goes negative, halved toward zero.
    QCOMPARE(RowGeometry::tops(100, 3, 39, 0).first(), -8);
    QCOMPARE(RowGeometry::fit(261, 63, 9), 4);
    QCOMPARE(RowGeometry::fit(-5, 63, 9), 0);
    QCOMPARE(RowGeometry::fit(100, 0, 9), 9);

    // The live panel places its rows by the same rule.
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("текст"));
    w->strip()->UpDown4->setValue(2);
    DisplayPanel *panel = w->mainPanel();
    const int h = panel->rowHeight();
    const QList<int> tops = RowGeometry::tops(panel->height(), 2, h, RowGeometry::MainOffset);
    QCOMPARE(panel->row(0)->y(), tops.at(0));
    QCOMPARE(panel->row(1)->y(), tops.at(1));
    QCOMPARE(panel->row(1)->height(), h);
    QVERIFY(!panel->row(2)->isVisible());
    QVERIFY(!panel->templateRow()->isVisible());
}

void test_reading_window::schulteTable_suspendsReading_andAnAbandonedOneIsNotKept() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("один два три"));
    w->reading()->start();
    QVERIFY(w->timers().t1->isActive());
    bool suspended = false;
    QTimer::singleShot(0, [&] {
        auto *table = qobject_cast<SchulteWindow *>(QApplication::activeModalWidget());
        QVERIFY(table);
        suspended = !w->timers().t1->isActive();
        QTest::mouseClick(table->cells().first(), Qt::LeftButton);
        QTest::keyClick(table, Qt::Key_Escape);
    });
    QCOMPARE(w->actions().MnSchulte->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_T));
    w->actions().MnSchulte->trigger();
    QVERIFY(suspended);
    QVERIFY(w->isReading());
    QVERIFY(w->timers().t1->isActive());
    QVERIFY(w->journal()->journal().store().exercises().isEmpty());
}

void test_reading_window::ctrlArrows_stepWhileReading_andMoveTheShownEditorsCaret() {
    WindowFixture f;
    MainWindow *w = f.startWithText(u"Один раз. Два три.\n\nВторой абзац тут. Ещё."_s);
    w->strip()->UpDown3->setValue(3);
    f.startReading();
    w->reading()->tick();
    QCOMPARE(f.row(0), u"Один"_s);
    auto press = [w](Qt::Key key) { QTest::keyClick(w->mainPanel(), key, Qt::ControlModifier); };
    auto next = [&] {
        w->reading()->tick();
        return f.row(0);
    };
    press(Qt::Key_Right);
    QCOMPARE(next(), u"Два"_s);
    press(Qt::Key_Down);
    QCOMPARE(next(), u"Второй"_s);
    QCOMPARE(next(), u"абзац"_s);
    press(Qt::Key_Left);
    QCOMPARE(next(), u"Второй"_s);
    QCOMPARE(next(), u"абзац"_s);
    press(Qt::Key_Up);
    QCOMPARE(next(), u"Второй"_s);

    // The shown editor keeps these keys for its caret; reading stays where it was.
    w->actions().ActBtStop->trigger();
    QTest::keyClick(w, Qt::Key_F2);
    QVERIFY(w->editor()->isVisible());
    const ReadingState before = w->engine().state();
    QTextCursor c = w->editor()->textCursor();
    c.setPosition(0);
    w->editor()->setTextCursor(c);
    QTest::keyClick(w->editor(), Qt::Key_Right, Qt::ControlModifier);
    QCOMPARE(w->editor()->textCursor().position(), 5); // the next word, not the next sentence
    QTest::keyClick(w->editor(), Qt::Key_Left, Qt::ControlModifier);
    QCOMPARE(w->editor()->textCursor().position(), 0);
    QCOMPARE(w->engine().state().ReadBuffer, before.ReadBuffer);
    QCOMPARE(w->engine().state().CurrentLine, before.CurrentLine);
}

QTEST_MAIN(test_reading_window)
// The journal hears every run: a short one is dropped, a suspension is no reading time,
// the counts are the statistics bar's; a book chosen from "Недавние книги" reopens where it
// was left without starting.
void test_reading_window::runs_areJournalSessions_andRecentBooksReopenWhereLeft() {
    WindowFixture f;
    QStringList paragraphs;
    for (int i = 0; i < 300; ++i)
        paragraphs << QStringLiteral("Абзац номер %1, в нём несколько слов.").arg(i);
    f.writeFile(QStringLiteral("книга.txt"), TextCodec::encode(paragraphs.join(u'\n')));
    MainWindow *w = f.start();
    f.dialogs->openAnswer = f.path(QStringLiteral("книга.txt"));
    w->documents()->loadFromFile();
    JournalStore &store = w->journal()->journal().store();
    const auto readFor = [&](int ticks) {
        for (int i = 0; i < ticks; ++i) {
            f.clock.advance(140);
            w->reading()->tick();
        }
    };

    f.startReading();
    readFor(20); // 2.8 s
    w->reading()->stop();
    QVERIFY(store.sessions().isEmpty());

    f.startReading();
    readFor(30);
    w->reading()->suspend();
    f.clock.advance(600'000);
    w->reading()->resumeIfReading(false);
    readFor(30);
    const ReadingState &s = w->engine().state();
    const int words = s.WordCount, signs = s.SignCount, line = s.CurrentLine;
    QVERIFY(line > 0);
    w->reading()->stop();
    const QList<Session> sessions = store.sessions();
    QCOMPARE(sessions.size(), 1);
    QCOMPARE(sessions[0].readingMs, qint64(60 * 140));
    QCOMPARE(sessions[0].words, qint64(words));
    QCOMPARE(sessions[0].signs, qint64(signs));

    f.clipboard = QStringLiteral("Другой текст.");
    w->documents()->loadFromClipboard();
    QMenu menu;
    w->journal()->fillRecentBooks(&menu);
    QCOMPARE(menu.actions().size(), 1);
    QVERIFY(menu.actions()[0]->text().startsWith(QStringLiteral("книга.txt — ")));
    menu.actions()[0]->trigger();
    QCOMPARE(w->editor()->line(0), paragraphs[0]);
    QCOMPARE(w->engine().state().CurrentLine, line);
    QVERIFY(!w->isReading());

    // Ctrl+J opens the journal from the editor too, and it shows the session.
    w->editing()->toggleEditor();
    QVERIFY(w->editor()->isVisible());
    QTest::keyClick(w->editor(), Qt::Key_J, Qt::ControlModifier);
    QVERIFY(w->journal()->journalWindow());
    QVERIFY(w->journal()->journalWindow()->isVisible());
    QCOMPARE(w->journal()->journalWindow()->periodSessions().size(), 1);

    // A double-click on the book in "Книги" opens it where it was left, as the menu does.
    w->documents()->loadFromClipboard();
    emit w->journal()->journalWindow()->bookChosen(store.bookTotals().first().bookId);
    QVERIFY(!w->editor()->isVisible());
    QCOMPARE(w->editor()->line(0), paragraphs[0]);
    QCOMPARE(w->engine().state().CurrentLine, line);
}

// A journal unavailable at start-up (here a folder in its place) says so in the status line
// and comes back at the next run, taking the book loaded meanwhile. A book read to its end
// counts as read through; a file named in no readable text is reopened by its own name
// once the link it was read through is gone; a glance lists nothing; titles are shortened.
void test_reading_window::journal_comesBack_keepsSystemNames_andBooksReadToTheEnd() {
    WindowFixture f;
    QVERIFY(QDir(f.dir.path()).mkdir(QStringLiteral("Journal.sqlite")));
    // "Книга.txt" in Windows-1251.
    const QByteArray name = QFile::encodeName(f.dir.path()) + "/\xca\xed\xe8\xe3\xe0.txt";
    QStringList words;
    for (int i = 0; i < 60; ++i)
        words << QStringLiteral("слово%1").arg(i);
    const QByteArray text = TextCodec::encode(words.join(u' '));
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT, 0600);
    QVERIFY(fd >= 0 && ::write(fd, text.constData(), size_t(text.size())) == text.size());
    ::close(fd);
    std::optional<QTemporaryDir> links;
    MainWindow *w = f.start();
    const auto readToTheEnd = [&] {
        w->timers().t1->stop();
        for (int i = 0; i < 10'000 && w->isReading(); ++i) {
            f.clock.advance(140);
            w->reading()->tick();
        }
        QVERIFY(!w->isReading());
    };
    w->openHandedFile(DataFolder::resolveArgument(name, "/", links));
    QVERIFY(w->isReading());
    readToTheEnd();
    QLabel *line = w->findChild<StatisticsBar *>()->PnNote;
    QVERIFY(line->isVisible());
    QVERIFY2(line->accessibleName().startsWith(QStringLiteral("Сеанс не записан. Дневник "
                                                              "недоступен: это папка")),
             qPrintable(line->accessibleName()));

    QVERIFY(QDir(f.dir.path()).rmdir(QStringLiteral("Journal.sqlite")));
    f.startReading();
    readToTheEnd();
    QVERIFY(!line->isVisible());
    JournalStore &store = w->journal()->journal().store();
    QVERIFY2(store.available(), qPrintable(store.status().message));
    const QList<BookTotals> totals = store.bookTotals();
    QCOMPARE(totals.size(), 1);
    QCOMPARE(totals[0].percentReached, 100);
    QCOMPARE(totals[0].lastPercent, 0);
    w->journal()->showJournal();
    auto *books =
        w->journal()->journalWindow()->findChild<QTableWidget *>(QStringLiteral("journalBooks"));
    QCOMPARE(books->item(0, 3)->text(), QStringLiteral("100 % (место 0 %)"));
    w->journal()->journalWindow()->close();

    // A file loaded once is no book of the reader's; one loaded twice is, shortened.
    const QString longName = QString(120, u'д') + QStringLiteral(".txt");
    f.writeFile(longName, "Текст.");
    f.dialogs->openAnswer = f.path(longName);
    w->documents()->loadFromFile();
    QMenu menu;
    w->journal()->fillRecentBooks(&menu);
    QCOMPARE(menu.actions().size(), 1);
    w->documents()->loadFromFile();
    w->journal()->fillRecentBooks(&menu);
    QCOMPARE(menu.actions().size(), 2);
    const QString shortened = menu.actions()[0]->text();
    QVERIFY2(shortened.size() < 100 && shortened.contains(u'…'), qPrintable(shortened));

    links.reset(); // the links go at exit
    QCOMPARE(store.recentBooks(10)[1].path, name);
    menu.actions()[1]->trigger();
    QCOMPARE(w->editor()->line(0), words.join(u' '));
    QVERIFY(::unlink(name.constData()) == 0); // Qt cannot remove what it cannot name
}

// A run switched from one row to two is two sessions, each with its own pace and counts.
void test_reading_window::paceChangedMidRun_endsTheSession_andStartsAnother() {
    WindowFixture f;
    QStringList paragraphs;
    for (int i = 0; i < 300; ++i)
        paragraphs << QStringLiteral("Абзац номер %1, в нём несколько слов.").arg(i);
    MainWindow *w = f.startWithText(paragraphs.join(u'\n'));
    JournalStore &store = w->journal()->journal().store();
    const ReadingState &s = w->engine().state();
    qint64 shownWords = 0;
    const auto readFor = [&](int ticks) {
        for (int i = 0; i < ticks; ++i) {
            f.clock.advance(140);
            const int before = s.WordCount;
            w->reading()->tick();
            shownWords += s.WordCount - before;
        }
    };
    f.startReading();
    readFor(50);
    // A restart of the counting that keeps the pace is no new session.
    w->reading()->suspend();
    w->reading()->resumeIfReading(true);
    w->timers().t1->stop();
    readFor(10);
    w->strip()->UpDown4->setValue(2);
    QCOMPARE(s.LineCount, 2);
    readFor(40);
    w->reading()->stop();

    const QList<Session> sessions = store.sessions();
    QCOMPARE(sessions.size(), 2);
    const Session &first = sessions[0], &second = sessions[1];
    QCOMPARE(first.settings.rows, 1);
    QCOMPARE(second.settings.rows, 2);
    QCOMPARE(first.readingMs, qint64(60 * 140));
    QCOMPARE(second.readingMs, qint64(40 * 140));
    QCOMPARE(first.words + second.words, shownWords);
    QCOMPARE(first.percentEnd, second.percentStart);
    // Each nominal speed follows its own rows: the second promises twice the pieces.
    const auto piecesPerMinute = [](const Session &x) {
        return x.nominalSpeed(SpeedUnit::Words) * double(x.pieces) / double(x.words);
    };
    QCOMPARE(piecesPerMinute(first), 60000.0 / 140);
    QCOMPARE(piecesPerMinute(second), 2 * 60000.0 / 140);
}

#include "test_reading_window.moc"
