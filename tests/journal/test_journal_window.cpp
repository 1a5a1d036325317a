#include "journal/CsvExport.h"
#include "journal/JournalCharts.h"
#include "journal/JournalWindow.h"
#include "journal/SessionTableModel.h"

#include <QAbstractBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QDateTime>
#include <QFile>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLocale>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace zk;
using namespace Qt::StringLiterals;

class test_journal_window : public QObject {
    Q_OBJECT
private slots:
    void periods_chooseSessionsAndChosenRowsAreRemoved();
    void export_writesThePeriodAsCsv();
    void csv_readsBackField_forField_withoutFormulas();
    void unavailableJournal_saysWhy();
    void charts_splitLocalDaysAndWeighAverages();
    void bothCharts_followThePeriod_withTheSameDates_toTheEndOfToday();
    void texts_minutesAndRussianPlurals();
    void window_deleteKey_bookDoubleClick_andItsPlace();

private:
    static constexpr qint64 Now = 1'700'000'000'000;
    static constexpr qint64 Day = 24 * 3600 * 1000;
    // Sessions 1, 3, 10, 20 and 100 days ago, the first of a book with a awkward title.
    void fill(JournalStore &store) {
        BookFile book;
        book.path = QFile::encodeName(m_dir.filePath(u"book.txt"_s));
        book.hash = u"00"_s;
        book.title = u"Сказки, \"новые\""_s;
        const qint64 bookId = store.rememberBook(book)->id;
        for (int days : {100, 20, 10, 3, 1}) {
            Session s;
            s.startedMs = Now - days * Day;
            s.endedMs = s.startedMs + 600'000;
            s.readingMs = 300'000;
            s.words = 1000 + days;
            s.signs = 6000;
            s.bookId = days == 1 ? bookId : 0;
            QVERIFY(store.addSession(s, 0));
        }
    }
    QTemporaryDir m_dir;
};

void test_journal_window::periods_chooseSessionsAndChosenRowsAreRemoved() {
    JournalStore store(m_dir.filePath(u"periods"_s));
    fill(store);
    JournalWindow window(store, nullptr, [] { return Now; });
    auto *table = window.findChild<QTableView *>(u"journalSessions"_s);
    QCOMPARE(window.period(), JournalWindow::Period::Month);
    QCOMPARE(table->model()->rowCount(), 4);
    window.setPeriod(JournalWindow::Period::Week);
    QCOMPARE(table->model()->rowCount(), 2);
    window.setPeriod(JournalWindow::Period::All);
    QCOMPARE(table->model()->rowCount(), 5);

    // Newest first; the two oldest rows are chosen and removed after the question.
    int asked = 0;
    window.setPrompts({{}, [&asked](QWidget *, int n) {
                           asked = n;
                           return true;
                       }});
    table->selectionModel()->select(table->model()->index(3, 0),
                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
    table->selectionModel()->select(table->model()->index(4, 0),
                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
    window.removeChosenSessions();
    QCOMPARE(asked, 2);
    const QList<Session> left = store.sessions();
    QCOMPARE(left.size(), 3);
    QCOMPARE(left.first().words, 1010);
    QCOMPARE(table->model()->rowCount(), 3);
}

void test_journal_window::export_writesThePeriodAsCsv() {
    JournalStore store(m_dir.filePath(u"export"_s));
    fill(store);
    JournalWindow window(store, nullptr, [] { return Now; });
    window.setPeriod(JournalWindow::Period::Week);
    const QString path = m_dir.filePath(u"дневник.csv"_s);
    window.setPrompts({[&path](QWidget *, const QString &) { return path; }, {}});
    window.exportCsv();

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u"\r\n"_s);
    QCOMPARE(lines.size(), 4); // header, two sessions, the empty rest after the last line end
    QVERIFY(lines[0].startsWith(u"Дата,Книга,Минуты,Слов в минуту,Знаков в минуту,"_s));
    // Five minutes of reading: 1001 words and 6000 signs.
    QVERIFY2(lines[2].contains(u",\"Сказки, \"\"новые\"\"\",5.0,200,1200,"_s),
             qPrintable(lines[2]));
    QVERIFY(window.findChild<QLabel *>(u"journalStatus"_s)->text().contains(u"дневник.csv"_s));
}

namespace {

// A strict RFC 4180 reader, written apart from the writer: a quote out of place or a bare
// CR fails the whole text.
std::optional<QList<QStringList>> parseCsv(const QString &text) {
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool inQuotes = false;
    bool wasQuoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const QChar next = i + 1 < text.size() ? text.at(i + 1) : QChar();
        if (inQuotes) {
            if (c != u'"')
                field += c;
            else if (next == u'"')
                field += text.at(++i);
            else
                inQuotes = false;
        } else if (c == u'"') {
            if (!field.isEmpty() || wasQuoted)
                return std::nullopt;
            inQuotes = wasQuoted = true;
        } else if (c == u',' || c == u'\r') {
            if (c == u'\r' && next != u'\n')
                return std::nullopt;
            row << std::exchange(field, QString());
            wasQuoted = false;
            if (c == u'\r') {
                rows << std::exchange(row, QStringList());
                ++i;
            }
        } else {
            if (wasQuoted || c == u'\n')
                return std::nullopt;
            field += c;
        }
    }
    if (inQuotes || !row.isEmpty() || !field.isEmpty())
        return std::nullopt; // every row ends with CR LF
    return rows;
}

} // namespace

void test_journal_window::csv_readsBackField_forField_withoutFormulas() {
    // Titles as books bring them: commas, quotes, line ends, and ones a spreadsheet would run.
    const QStringList titles = {u"Война и мир, том 1"_s,
                                u"\"Кавычки\" внутри"_s,
                                u"Две\nстроки"_s,
                                u"=HYPERLINK(\"http://x\";\"y\")"_s,
                                u"+7 дней"_s,
                                u"-1"_s,
                                u"@SUM(A1)"_s,
                                u"\tтаб"_s,
                                u"\rвозврат"_s,
                                u"Обычная книга"_s};
    QList<Session> sessions;
    for (const QString &title : titles) {
        Session s;
        s.startedMs = Now;
        s.readingMs = 90'000;
        s.words = 300;
        s.signs = 2000;
        s.settings.pauseMode = PauseMode::Smart;
        s.bookTitle = title;
        sessions << s;
    }
    const std::optional<QList<QStringList>> rows =
        parseCsv(QString::fromUtf8(sessionsCsv(sessions)));
    QVERIFY(rows);
    QCOMPARE(rows->size(), titles.size() + 1);
    const QStringList &header = rows->first();
    QCOMPARE(header.at(header.indexOf(u"Задержка, мс"_s) + 1), u"Длина"_s);
    for (qsizetype i = 0; i < titles.size(); ++i) {
        const QStringList &row = rows->at(i + 1);
        QCOMPARE(row.size(), header.size());
        const QString &title = titles.at(i);
        const bool formula = QStringView(u"=+-@\t\r").contains(title.front());
        QCOMPARE(row.at(1), formula ? u"'"_s + title : title);
        QCOMPARE(row.at(header.indexOf(u"Задержка, мс"_s)), u"140"_s);
        QCOMPARE(row.at(header.indexOf(u"Строки"_s)), u"1"_s);
    }
}

void test_journal_window::unavailableJournal_saysWhy() {
    QFile blocker(m_dir.filePath(u"file"_s));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    JournalStore store(blocker.fileName() + u"/journal"_s);
    JournalWindow window(store);
    auto *status = window.findChild<QLabel *>(u"journalStatus"_s);
    QVERIFY(status->text().startsWith(u"Дневник недоступен: "_s));
    QVERIFY(!status->isHidden());
    QCOMPARE(window.findChild<QTableView *>(u"journalSessions"_s)->model()->rowCount(), 0);
}

void test_journal_window::charts_splitLocalDaysAndWeighAverages() {
    const QDate today(2025, 3, 14);
    const auto at = [](QDate day, int hour, int minute) {
        return QDateTime(day, QTime(hour, minute)).toMSecsSinceEpoch();
    };
    const auto session = [](qint64 startedMs, int minutes, int words) {
        Session s;
        s.startedMs = startedMs;
        s.readingMs = minutes * 60'000;
        s.words = words;
        return s;
    };
    // 100 and 50 words a minute on one day, 200 on the next from midnight on.
    const QList<Session> sessions = {session(at(today.addDays(-30), 12, 0), 5, 500),
                                     session(at(today.addDays(-1), 8, 0), 10, 1000),
                                     session(at(today.addDays(-1), 23, 59), 40, 2000),
                                     session(at(today, 0, 0), 20, 4000)};
    const QList<double> minutes = minutesPerDay(sessions, today, 30);
    QCOMPARE(minutes, QList<double>(28, 0.0) + QList<double>({50.0, 20.0}));

    const SpeedPoints daily = speedPoints(sessions.mid(1), SpeedUnit::Words, 2);
    QCOMPARE(daily.step, SpeedPoints::Step::Day);
    QCOMPARE(daily.real.size(), 2);
    QCOMPARE(daily.real[0].y(), 60.0); // 3000 words in 50 minutes, not the mean of 100 and 50
    QCOMPARE(daily.real[1].y(), 200.0);
    QCOMPARE(speedPoints(sessions.mid(1), SpeedUnit::Words, 3).real.size(), 3);
}

void test_journal_window::bothCharts_followThePeriod_withTheSameDates_toTheEndOfToday() {
    JournalStore store(m_dir.filePath(u"charts"_s));
    fill(store);
    JournalWindow window(store, nullptr, [] { return Now; });
    auto *speed = window.findChild<SpeedChartView *>();
    auto *daily = window.findChild<DailyChartView *>();
    const auto timeAxis = [](QChartView *view) {
        return qobject_cast<QCategoryAxis *>(view->chart()->axes(Qt::Horizontal).first());
    };
    const auto bars = [daily] {
        return static_cast<QAbstractBarSeries *>(daily->chart()->series().first())
            ->barSets()
            .first();
    };
    const QDate today = QDateTime::fromMSecsSinceEpoch(Now).date();
    for (const auto &[period, days] :
         {std::pair{JournalWindow::Period::Week, 7}, {JournalWindow::Period::Month, 30}}) {
        window.setPeriod(period);
        QCOMPARE(bars()->count(), days);
        QCOMPARE(timeAxis(daily)->max(), days - 0.5);
        // Today whole on the speed chart: the axis ends at the coming midnight.
        QCOMPARE(timeAxis(speed)->max(), double(today.addDays(1).startOfDay().toMSecsSinceEpoch()));
        QCOMPARE(timeAxis(speed)->min(),
                 double(today.addDays(1 - days).startOfDay().toMSecsSinceEpoch()));
        QVERIFY(!timeAxis(speed)->categoriesLabels().isEmpty());
        QCOMPARE(timeAxis(daily)->categoriesLabels(), timeAxis(speed)->categoriesLabels());
    }
    QCOMPARE(bars()->at(28), 5.0);                // the session of yesterday
    window.setPeriod(JournalWindow::Period::All); // 100 days: weeks
    QCOMPARE(bars()->count(), 15);
    QCOMPARE(daily->chart()->title(), u"Минуты по неделям"_s);
}

void test_journal_window::texts_minutesAndRussianPlurals() {
    QCOMPARE(minutesText(24'000), u"0:24"_s);
    QCOMPARE(minutesText(750'400), u"12:30"_s);
    const QString sep = QLocale(QLocale::Russian).groupSeparator();
    QCOMPARE(perMinuteText(SpeedUnit::Signs, 2941), u"2"_s + sep + u"941 знак в минуту"_s);
    QCOMPARE(perMinuteText(SpeedUnit::Signs, 5554), u"5"_s + sep + u"554 знака в минуту"_s);
    QCOMPARE(perMinuteText(SpeedUnit::Words, 211), u"211 слов в минуту"_s);
    QStringList forms;
    for (int n : {1, 2, 11, 21, 112})
        forms << pluralRu(n, u"сеанс"_s, u"сеанса"_s, u"сеансов"_s);
    QCOMPARE(forms, QStringList({u"сеанс"_s, u"сеанса"_s, u"сеансов"_s, u"сеанс"_s, u"сеансов"_s}));
}

void test_journal_window::window_deleteKey_bookDoubleClick_andItsPlace() {
    JournalStore store(m_dir.filePath(u"window"_s));
    fill(store);
    {
        JournalWindow window(store, nullptr, [] { return Now; });
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *table = window.findChild<QTableView *>(u"journalSessions"_s);
        int asked = 0;
        window.setPrompts({{}, [&asked](QWidget *, int n) {
                               asked = n;
                               return false;
                           }});
        table->setFocus();
        table->selectRow(0);
        QTest::keyClick(table, Qt::Key_Delete);
        QCOMPARE(asked, 1);

        auto *books = window.findChild<QTableWidget *>(u"journalBooks"_s);
        window.findChild<QTabWidget *>()->setCurrentIndex(1);
        QSignalSpy chosen(&window, &JournalWindow::bookChosen);
        QTRY_VERIFY(books->isVisible());
        const QRect cell = books->visualItemRect(books->item(0, 0));
        QTest::mouseClick(books->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(books->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(chosen.first().first().toLongLong(), store.bookTotals().first().bookId);

        window.resize(1100, 760);
        window.close();
    }
    JournalWindow again(store, nullptr, [] { return Now; });
    QCOMPARE(again.size(), QSize(1100, 760));
}

QTEST_MAIN(test_journal_window)
#include "test_journal_window.moc"
