#include "journal/JournalWindow.h"

#include "journal/CsvExport.h"
#include "journal/JournalCharts.h"
#include "journal/SessionTableModel.h"

#include <QAction>
#include <QButtonGroup>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHideEvent>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

namespace zk {

namespace {

constexpr qint64 DayMs = 24 * 3600 * 1000;
const QString PlaceKey = QStringLiteral("journal_window_geometry");

// Sorts by the value kept under Qt::UserRole, whatever the text shows.
class ValueItem final : public QTableWidgetItem {
public:
    ValueItem(const QString &text, const QVariant &value) : QTableWidgetItem(text) {
        setData(Qt::UserRole, value);
        setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    }
    bool operator<(const QTableWidgetItem &other) const override {
        return QVariant::compare(data(Qt::UserRole), other.data(Qt::UserRole)) ==
               QPartialOrdering::Less;
    }
};

// Wide enough for its caption and for `sample`.
void fitColumn(QHeaderView *header, int column, const QString &sample) {
    const QFontMetrics metrics = header->fontMetrics();
    const QString caption = header->model()->headerData(column, Qt::Horizontal).toString();
    // Room for the sort arrow beside the caption and for the cell margins.
    header->resizeSection(column, std::max(metrics.horizontalAdvance(caption) + 30,
                                           metrics.horizontalAdvance(sample) + 16));
}

QString hoursText(qint64 ms) {
    const qint64 minutes = (ms + 30000) / 60000;
    return QStringLiteral("%1 ч %2 мин")
        .arg(minutes / 60)
        .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

// Sessions whose figures were out of range stay off the charts.
QList<Session> intactOnly(const QList<Session> &sessions) {
    QList<Session> intact;
    std::copy_if(sessions.cbegin(), sessions.cend(), std::back_inserter(intact),
                 [](const Session &s) { return s.intact; });
    return intact;
}

QString speedText(double speed) {
    return QLocale(QLocale::Russian).toString(qRound64(speed));
}

QString chooseCsvPath(QWidget *parent, const QString &suggested) {
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Экспорт в CSV"), suggested,
                                        QStringLiteral("Таблицы CSV (*.csv)"), nullptr,
                                        QFileDialog::DontUseNativeDialog);
}

bool confirmRemoval(QWidget *parent, int sessions) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Дневник тренировок"),
                    QStringLiteral("Удалить из дневника выбранные сеансы (%1)?").arg(sessions),
                    QMessageBox::NoButton, parent);
    QPushButton *remove = box.addButton(QStringLiteral("Удалить"), QMessageBox::AcceptRole);
    box.setDefaultButton(box.addButton(QStringLiteral("Отмена"), QMessageBox::RejectRole));
    box.exec();
    return box.clickedButton() == remove;
}

} // namespace

JournalWindow::JournalWindow(JournalStore &store, QWidget *parent, WallClock wall)
    : QWidget(parent, Qt::Window), m_store(store),
      m_wall(std::move(wall)), m_prompts{chooseCsvPath, confirmRemoval} {
    setObjectName(QStringLiteral("JournalWindow"));
    setWindowTitle(QStringLiteral("Дневник тренировок"));
    resize(1000, 700);
    if (const QByteArray place = m_store.metaValue(PlaceKey).toByteArray(); !place.isEmpty())
        restoreGeometry(place);

    auto *periodLabel = new QLabel(QStringLiteral("Период:"), this);
    auto *periods = new QButtonGroup(this);
    const QString periodNames[] = {QStringLiteral("Неделя"), QStringLiteral("Месяц"),
                                   QStringLiteral("Всё")};
    auto *top = new QHBoxLayout;
    top->addWidget(periodLabel);
    for (int i = 0; i < 3; ++i) {
        m_periodButtons[i] = new QRadioButton(periodNames[i], this);
        periods->addButton(m_periodButtons[i], i);
        top->addWidget(m_periodButtons[i]);
    }
    m_periodButtons[static_cast<int>(m_period)]->setChecked(true);
    connect(periods, &QButtonGroup::idClicked, this,
            [this](int id) { setPeriod(static_cast<Period>(id)); });
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("journalSummary"));
    top->addStretch();
    top->addWidget(m_summary);
    m_workingSpeed = new QLabel(this);
    m_workingSpeed->setObjectName(QStringLiteral("journalWorkingSpeed"));
    m_workingSpeed->setToolTip(QStringLiteral(
        "Медиана реальной скорости пяти последних проверенных сеансов, понятых на 80 % и больше"));
    top->addWidget(m_workingSpeed);

    m_speedChart = new SpeedChartView(this);
    m_dailyChart = new DailyChartView(this);
    auto *charts = new QSplitter(Qt::Horizontal, this);
    charts->addWidget(m_speedChart);
    charts->addWidget(m_dailyChart);
    charts->setStretchFactor(0, 3);
    charts->setStretchFactor(1, 2);
    charts->setChildrenCollapsible(false);

    m_model = new SessionTableModel(this);
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("journalSessions"));
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setAlternatingRowColors(true);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(SessionTableModel::Date, Qt::DescendingOrder);
    QHeaderView *header = m_table->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    // The book and the settings share what the figures leave.
    header->setSectionResizeMode(SessionTableModel::Book, QHeaderView::Stretch);
    header->setSectionResizeMode(SessionTableModel::Settings, QHeaderView::Stretch);
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &JournalWindow::updateButtons);

    m_remove = new QPushButton(QStringLiteral("Удалить"), this);
    m_remove->setObjectName(QStringLiteral("journalRemove"));
    connect(m_remove, &QPushButton::clicked, this, &JournalWindow::removeChosenSessions);
    auto *removeKey = new QAction(m_table);
    removeKey->setShortcut(QKeySequence::Delete);
    removeKey->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(removeKey, &QAction::triggered, this, &JournalWindow::removeChosenSessions);
    m_table->addAction(removeKey);
    m_export = new QPushButton(QStringLiteral("Экспорт в CSV…"), this);
    m_export->setObjectName(QStringLiteral("journalExport"));
    connect(m_export, &QPushButton::clicked, this, &JournalWindow::exportCsv);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_remove);
    buttons->addStretch();
    buttons->addWidget(m_export);

    auto *sessionsPage = new QWidget(this);
    auto *sessionsLayout = new QVBoxLayout(sessionsPage);
    sessionsLayout->addWidget(m_table);
    sessionsLayout->addLayout(buttons);

    m_bookTable = new QTableWidget(0, 5, this);
    m_bookTable->setObjectName(QStringLiteral("journalBooks"));
    m_bookTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_bookTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_bookTable->setAlternatingRowColors(true);
    m_bookTable->setWordWrap(false);
    m_bookTable->verticalHeader()->hide();
    m_bookTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_bookTable->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_bookTable->horizontalHeader()->setSortIndicator(1, Qt::DescendingOrder);
    connect(m_bookTable, &QTableWidget::cellDoubleClicked, this, [this](int row) {
        if (const QTableWidgetItem *item = m_bookTable->item(row, 0))
            emit bookChosen(item->data(Qt::UserRole + 1).toLongLong());
    });
    auto *booksPage = new QWidget(this);
    auto *booksLayout = new QVBoxLayout(booksPage);
    booksLayout->addWidget(m_bookTable);

    m_exerciseChart = new ExerciseChartView(this);
    m_exerciseTable = new QTableWidget(0, 5, this);
    m_exerciseTable->setObjectName(QStringLiteral("journalExercises"));
    m_exerciseTable->setHorizontalHeaderLabels({QStringLiteral("Дата"), QStringLiteral("Вид"),
                                                QStringLiteral("Размер"), QStringLiteral("Время"),
                                                QStringLiteral("Ошибки")});
    m_exerciseTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_exerciseTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_exerciseTable->setAlternatingRowColors(true);
    m_exerciseTable->setWordWrap(false);
    m_exerciseTable->verticalHeader()->hide();
    m_exerciseTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_exerciseTable->horizontalHeader()->setSortIndicator(0, Qt::DescendingOrder);
    m_exerciseExport = new QPushButton(QStringLiteral("Экспорт в CSV…"), this);
    m_exerciseExport->setObjectName(QStringLiteral("journalExerciseExport"));
    connect(m_exerciseExport, &QPushButton::clicked, this, &JournalWindow::exportExercisesCsv);
    auto *exerciseTable = new QWidget(this);
    auto *exerciseTableLayout = new QVBoxLayout(exerciseTable);
    exerciseTableLayout->setContentsMargins(0, 0, 0, 0);
    exerciseTableLayout->addWidget(m_exerciseTable);
    exerciseTableLayout->addWidget(m_exerciseExport, 0, Qt::AlignRight);
    auto *exercisesPage = new QSplitter(Qt::Horizontal, this);
    exercisesPage->addWidget(m_exerciseChart);
    exercisesPage->addWidget(exerciseTable);
    exercisesPage->setStretchFactor(0, 3);
    exercisesPage->setStretchFactor(1, 2);
    exercisesPage->setChildrenCollapsible(false);

    auto *tabs = new QTabWidget(this);
    tabs->addTab(sessionsPage, QStringLiteral("Сеансы"));
    tabs->addTab(booksPage, QStringLiteral("Книги"));
    tabs->addTab(exercisesPage, QStringLiteral("Упражнения"));

    auto *split = new QSplitter(Qt::Vertical, this);
    split->addWidget(charts);
    split->addWidget(tabs);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    split->setChildrenCollapsible(false);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("journalStatus"));
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(split, 1);
    layout->addWidget(m_status);

    auto *close = new QAction(this);
    close->setShortcut(QKeySequence(Qt::Key_Escape));
    connect(close, &QAction::triggered, this, &QWidget::close);
    addAction(close);

    refresh();
    fitColumns();
}

JournalWindow::~JournalWindow() {
    if (isVisible())
        rememberPlace();
}

void JournalWindow::hideEvent(QHideEvent *event) {
    rememberPlace();
    QWidget::hideEvent(event);
}

void JournalWindow::rememberPlace() {
    m_store.setMetaValue(PlaceKey, saveGeometry());
}

void JournalWindow::setSpeedUnit(SpeedUnit unit) {
    if (unit == m_unit)
        return;
    m_unit = unit;
    m_model->setUnit(unit);
    showPeriod();
    showBooks();
    showWorkingSpeed();
    fitColumns();
}

void JournalWindow::setPeriod(Period period) {
    m_period = period;
    m_periodButtons[static_cast<int>(period)]->setChecked(true);
    if (periodStart() < m_loadedFrom)
        refresh();
    else
        showPeriod();
}

// Whole local days, so the charts' days and the table's sessions agree.
qint64 JournalWindow::periodStart() const {
    const QDate today = QDateTime::fromMSecsSinceEpoch(m_wall()).date();
    switch (m_period) {
    case Period::Week:
        return today.addDays(-6).startOfDay().toMSecsSinceEpoch();
    case Period::Month:
        return today.addDays(-29).startOfDay().toMSecsSinceEpoch();
    case Period::All:
        break;
    }
    return 0;
}

QDate JournalWindow::firstDay() const {
    const QDate today = QDateTime::fromMSecsSinceEpoch(m_wall()).date();
    if (m_period != Period::All)
        return QDateTime::fromMSecsSinceEpoch(periodStart()).date();
    return m_periodSessions.isEmpty()
               ? today.addDays(-29)
               : std::min(
                     today,
                     QDateTime::fromMSecsSinceEpoch(m_periodSessions.first().startedMs).date());
}

void JournalWindow::refresh() {
    // Years of sessions are read only when the whole period is asked for.
    m_loadedFrom = periodStart();
    m_sessions = m_store.sessions(m_loadedFrom);
    m_books = m_store.bookTotals();
    m_exercises = m_store.exercises(m_loadedFrom);
    showPeriod();
    showBooks();
    showStatus();
    showWorkingSpeed();
}

void JournalWindow::showWorkingSpeed() {
    const double speed =
        workingSpeed(m_store.understoodSessions(WorkingSpeedPercent, WorkingSpeedSessions), m_unit);
    m_workingSpeed->setText(speed > 0 ? QStringLiteral("    Рабочая скорость: %1 %2")
                                            .arg(speedText(speed), perMinuteText(m_unit))
                                      : QStringLiteral("    Рабочая скорость: —"));
}

void JournalWindow::showPeriod() {
    const qint64 from = periodStart();
    const auto first =
        std::lower_bound(m_sessions.cbegin(), m_sessions.cend(), from,
                         [](const Session &s, qint64 ms) { return s.startedMs < ms; });
    m_periodSessions = QList<Session>(first, m_sessions.cend());
    m_model->setSessions(m_periodSessions);
    // Every chart over the same whole days, today among them to its end.
    const QDate firstShown = firstDay();
    const QDate today = QDateTime::fromMSecsSinceEpoch(m_wall()).date();
    const qint64 toMs = today.addDays(1).startOfDay().toMSecsSinceEpoch();
    m_speedChart->showSessions(intactOnly(m_periodSessions), m_unit,
                               firstShown.startOfDay().toMSecsSinceEpoch(), toMs);
    showExercises(from, toMs);
    m_dailyChart->showSessions(intactOnly(m_periodSessions), firstShown, today, m_periodExercises);

    qint64 readingMs = 0, shown = 0;
    for (const Session &s : std::as_const(m_periodSessions)) {
        readingMs += s.readingMs;
        shown += m_unit == SpeedUnit::Words ? s.words : s.signs;
    }
    m_summary->setText(
        m_periodSessions.isEmpty()
            ? QString()
            : QStringLiteral("%1 %2    Время чтения: %3    Средняя скорость: %4")
                  .arg(m_periodSessions.size())
                  .arg(pluralRu(m_periodSessions.size(), QStringLiteral("сеанс"),
                                QStringLiteral("сеанса"), QStringLiteral("сеансов")),
                       hoursText(readingMs),
                       perMinuteText(m_unit,
                                     qRound64(readingMs > 0 ? shown * 60000.0 / readingMs : 0))));
    updateButtons();
}

void JournalWindow::fitColumns() {
    QHeaderView *header = m_table->horizontalHeader();
    fitColumn(header, SessionTableModel::Date, QStringLiteral("00.00.0000  00:00"));
    fitColumn(header, SessionTableModel::Minutes, QStringLiteral("000:00"));
    fitColumn(header, SessionTableModel::Speed, QStringLiteral("00000"));
    fitColumn(header, SessionTableModel::Nominal, QStringLiteral("00000"));
    fitColumn(header, SessionTableModel::Understanding, QStringLiteral("10 из 10 (100 %)"));
    header = m_bookTable->horizontalHeader();
    fitColumn(header, 1, QStringLiteral("000 ч 00 мин"));
    fitColumn(header, 2, QStringLiteral("0000"));
    fitColumn(header, 3, QStringLiteral("00 %"));
    fitColumn(header, 4, QStringLiteral("00000"));
}

void JournalWindow::showBooks() {
    m_bookTable->setSortingEnabled(false);
    m_bookTable->setHorizontalHeaderLabels(
        {QStringLiteral("Книга"), QStringLiteral("Время чтения"), QStringLiteral("Сеансов"),
         QStringLiteral("Прочитано"),
         QStringLiteral("Средняя скорость, %1").arg(perMinuteShort(m_unit))});
    m_bookTable->setRowCount(static_cast<int>(m_books.size()));
    for (int row = 0; row < m_books.size(); ++row) {
        const BookTotals &b = m_books.at(row);
        const double speed = b.averageSpeed(m_unit);
        QTableWidgetItem *items[] = {
            new ValueItem(b.title, b.title.toLower()),
            new ValueItem(hoursText(b.readingMs), b.readingMs),
            new ValueItem(QString::number(b.sessions), b.sessions),
            new ValueItem(
                b.lastPercent == b.percentReached
                    ? QStringLiteral("%1 %").arg(b.percentReached)
                    : QStringLiteral("%1 % (место %2 %)").arg(b.percentReached).arg(b.lastPercent),
                b.percentReached),
            new ValueItem(speedText(speed), speed),
        };
        items[0]->setData(Qt::UserRole + 1, b.bookId); // for a double-click
        for (int column = 0; column < 5; ++column) {
            if (column > 0)
                items[column]->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_bookTable->setItem(row, column, items[column]);
        }
    }
    m_bookTable->setSortingEnabled(true);
}

void JournalWindow::showExercises(qint64 from, qint64 to) {
    m_periodExercises.clear();
    std::copy_if(m_exercises.cbegin(), m_exercises.cend(), std::back_inserter(m_periodExercises),
                 [from](const ExerciseRecord &r) { return r.endedMs >= from; });
    const qint64 axisFrom = m_period != Period::All || m_periodExercises.isEmpty()
                                ? std::max(from, to - 30 * DayMs)
                                : m_periodExercises.first().endedMs;
    m_exerciseChart->showExercises(m_periodExercises, m_period == Period::All ? axisFrom : from,
                                   to);
    m_exerciseTable->setSortingEnabled(false);
    m_exerciseTable->setRowCount(static_cast<int>(m_periodExercises.size()));
    const QLocale russian(QLocale::Russian);
    for (int row = 0; row < m_periodExercises.size(); ++row) {
        const ExerciseRecord &r = m_periodExercises.at(row);
        const int order = static_cast<int>(r.choice.kind) * 10 + r.choice.size;
        QTableWidgetItem *items[] = {
            new ValueItem(russian.toString(QDateTime::fromMSecsSinceEpoch(r.endedMs),
                                           QStringLiteral("dd.MM.yyyy  HH:mm")),
                          r.endedMs),
            new ValueItem(kindName(r.choice.kind), order),
            new ValueItem(QStringLiteral("%1×%1").arg(r.choice.size), r.choice.size),
            new ValueItem(secondsText(r.timeMs), r.timeMs),
            new ValueItem(QString::number(r.errors), r.errors),
        };
        for (int column = 0; column < 5; ++column) {
            if (column > 2)
                items[column]->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_exerciseTable->setItem(row, column, items[column]);
        }
    }
    m_exerciseTable->setSortingEnabled(true);
}

void JournalWindow::showStatus(const QString &extra) {
    const JournalStatus &status = m_store.status();
    QString text = status.message;
    if (!extra.isEmpty())
        text = text.isEmpty() ? extra : text + QLatin1Char(' ') + extra;
    m_status->setText(text);
    m_status->setVisible(!text.isEmpty());
    QPalette pal = m_status->palette();
    pal.setColor(QPalette::WindowText,
                 status.available ? palette().color(QPalette::WindowText) : QColor(170, 20, 20));
    m_status->setPalette(pal);
    updateButtons();
}

void JournalWindow::updateButtons() {
    const bool available = m_store.available();
    m_remove->setEnabled(available && m_table->selectionModel()->hasSelection());
    m_export->setEnabled(!m_periodSessions.isEmpty());
    m_exerciseExport->setEnabled(!m_periodExercises.isEmpty());
}

void JournalWindow::removeChosenSessions() {
    const QModelIndexList rows = m_table->selectionModel()->selectedRows();
    if (rows.isEmpty() || !m_store.available())
        return;
    if (m_prompts.confirmRemoval && !m_prompts.confirmRemoval(this, static_cast<int>(rows.size())))
        return;
    QList<qint64> ids;
    for (const QModelIndex &index : rows)
        ids.append(m_model->session(index.row()).id);
    m_store.removeSessions(ids);
    refresh();
}

void JournalWindow::exportCsv() {
    if (m_periodSessions.isEmpty() || !m_prompts.csvPath)
        return;
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString path =
        m_prompts.csvPath(this, QDir(folder).filePath(QStringLiteral("Дневник тренировок.csv")));
    if (path.isEmpty())
        return;
    const QString error = writeSessionsCsv(path, m_periodSessions);
    showStatus(error.isEmpty() ? QStringLiteral("Сеансы (%1) записаны в «%2».")
                                     .arg(m_periodSessions.size())
                                     .arg(QDir::toNativeSeparators(path))
                               : error);
}

void JournalWindow::exportExercisesCsv() {
    if (m_periodExercises.isEmpty() || !m_prompts.csvPath)
        return;
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString path =
        m_prompts.csvPath(this, QDir(folder).filePath(QStringLiteral("Упражнения.csv")));
    if (path.isEmpty())
        return;
    const QString error = writeExercisesCsv(path, m_periodExercises);
    showStatus(error.isEmpty() ? QStringLiteral("Упражнения (%1) записаны в «%2».")
                                     .arg(m_periodExercises.size())
                                     .arg(QDir::toNativeSeparators(path))
                               : error);
}

} // namespace zk
