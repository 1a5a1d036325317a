#include "exercises/SchulteWindow.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace zk {

namespace {

const QString kMarkFoundKey = QStringLiteral("schulte_mark_found");
const QString kHintKey = QStringLiteral("schulte_hint");
const QString kSizeKey = QStringLiteral("schulte_size");
const QString kKindKey = QStringLiteral("schulte_kind");
constexpr int FlashMs = 250;
constexpr int DotSize = 8;
const QColor kRed(192, 40, 40);
const QColor kBlack(20, 20, 20);

QString spokenName(TableKind kind, TableCell cell) {
    const QString label = cellLabel(kind, cell);
    if (kind != TableKind::Gorbov)
        return label;
    return cell.red ? QStringLiteral("%1 красное").arg(label)
                    : QStringLiteral("%1 чёрное").arg(label);
}

// The eyes' resting point; clicks go through it to the cell below.
class Dot final : public QWidget {
public:
    explicit Dot(QWidget *parent) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFixedSize(DotSize, DotSize);
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 200, 70));
        p.drawEllipse(rect());
    }
};

} // namespace

SchulteCell::SchulteCell(QWidget *parent, int index) : QAbstractButton(parent), m_index(index) {
    setFocusPolicy(Qt::TabFocus);
}

void SchulteCell::display(TableKind kind, TableCell cell, bool found) {
    m_kind = kind;
    m_cell = cell;
    m_found = found;
    setText(cellLabel(kind, cell));
    setAccessibleName(spokenName(kind, cell));
    update();
}

void SchulteCell::flash() {
    m_flashing = true;
    update();
    QTimer::singleShot(FlashMs, this, [this] {
        m_flashing = false;
        update();
    });
}

void SchulteCell::paintEvent(QPaintEvent *) {
    QPainter p(this);
    const QWidget *board = parentWidget();
    QColor fill = board->palette().color(QPalette::Window);
    QColor ink = board->palette().color(QPalette::WindowText);
    if (m_kind == TableKind::Gorbov) {
        fill = m_cell.red ? kRed : kBlack;
        ink = QColor(245, 245, 245);
    }
    if (m_found) {
        ink = QColor(128, 128, 128);
        fill = fill.lightness() < 128 ? fill.lighter(130) : fill.darker(110);
    }
    if (m_flashing)
        fill = QColor(230, 170, 30);
    p.fillRect(rect(), fill);
    QColor line = board->palette().color(QPalette::WindowText);
    line.setAlpha(110);
    p.setPen(line);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    if (hasFocus()) {
        p.setPen(QPen(board->palette().color(QPalette::Highlight), 2));
        p.drawRect(rect().adjusted(2, 2, -3, -3));
    }
    p.setPen(ink);
    p.setFont(font());
    p.drawText(rect(), Qt::AlignCenter, text());
}

SchulteWindow::SchulteWindow(JournalStore &store, const Clock &clock, QWidget *parent,
                             WallClock wall, Seeds seeds)
    : QDialog(parent), m_store(store), m_clock(clock), m_wall(std::move(wall)),
      m_seeds(std::move(seeds)) {
    if (!m_seeds)
        m_seeds = [] { return QRandomGenerator::global()->generate(); };
    setObjectName(QStringLiteral("SchulteWindow"));
    setWindowTitle(QStringLiteral("Таблица Шульте"));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint);
    setMinimumSize(440, 440);
    resize(640, 720);

    m_size = new QComboBox(this);
    m_size->setObjectName(QStringLiteral("schulteSize"));
    m_size->setAccessibleName(QStringLiteral("Размер"));
    for (int n = TableChoice::MinSize; n <= TableChoice::MaxSize; ++n)
        m_size->addItem(QStringLiteral("%1×%1").arg(n), n);
    m_kind = new QComboBox(this);
    m_kind->setObjectName(QStringLiteral("schulteKind"));
    m_kind->setAccessibleName(QStringLiteral("Вид"));
    m_kind->addItem(QStringLiteral("Числа"), int(TableKind::Numbers));
    m_kind->addItem(QStringLiteral("Буквы"), int(TableKind::Letters));
    m_kind->addItem(QStringLiteral("Таблица Горбова"), int(TableKind::Gorbov));
    m_markFound = new QCheckBox(QStringLiteral("Отмечать найденные"), this);
    m_markFound->setObjectName(QStringLiteral("schulteMarkFound"));
    m_hint = new QCheckBox(QStringLiteral("Подсказка"), this);
    m_hint->setObjectName(QStringLiteral("schulteHint"));
    for (QWidget *w : std::initializer_list<QWidget *>{m_size, m_kind, m_markFound, m_hint})
        w->setFocusPolicy(Qt::TabFocus); // typed digits go to the table, not to a choice
    auto *top = new QHBoxLayout;
    auto *sizeLabel = new QLabel(QStringLiteral("&Размер:"), this);
    sizeLabel->setBuddy(m_size);
    auto *kindLabel = new QLabel(QStringLiteral("&Вид:"), this);
    kindLabel->setBuddy(m_kind);
    top->addWidget(sizeLabel);
    top->addWidget(m_size);
    top->addWidget(kindLabel);
    top->addWidget(m_kind);
    top->addStretch();
    top->addWidget(m_markFound);
    top->addWidget(m_hint);

    m_board = new QWidget(this);
    m_board->setObjectName(QStringLiteral("schulteBoard"));
    m_board->setAutoFillBackground(true);
    m_board->setFocusPolicy(Qt::StrongFocus);
    m_board->setAccessibleName(QStringLiteral("Таблица"));
    m_board->installEventFilter(this);
    m_dot = new Dot(m_board);

    m_progress = new QLabel(this);
    m_progress->setObjectName(QStringLiteral("schulteProgress"));
    m_result = new QLabel(this);
    m_result->setObjectName(QStringLiteral("schulteResult"));
    m_result->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_result->setFocusPolicy(Qt::TabFocus);
    QFont bold = m_result->font();
    bold.setBold(true);
    m_result->setFont(bold);
    m_again = new QPushButton(QStringLiteral("Ещё раз"), this);
    m_again->setObjectName(QStringLiteral("schulteAgain"));
    m_again->setFocusPolicy(Qt::TabFocus);
    connect(m_again, &QPushButton::clicked, this, &SchulteWindow::again);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_progress);
    bottom->addWidget(m_result, 1);
    bottom->addWidget(m_again);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_board, 1);
    layout->addLayout(bottom);

    m_tick = new QTimer(this);
    m_tick->setInterval(100);
    connect(m_tick, &QTimer::timeout, this, &SchulteWindow::showProgress);
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (m_pauseWhenInactive)
                    m_run->setPaused(state != Qt::ApplicationActive);
                showProgress();
            });

    m_markFound->setChecked(m_store.metaValue(kMarkFoundKey, false).toBool());
    m_hint->setChecked(m_store.metaValue(kHintKey, false).toBool());
    connect(m_markFound, &QCheckBox::toggled, this, [this](bool on) {
        m_store.setMetaValue(kMarkFoundKey, on);
        showCells();
    });
    connect(m_hint, &QCheckBox::toggled, this, [this](bool on) {
        m_store.setMetaValue(kHintKey, on);
        showProgress();
    });
    TableChoice choice{static_cast<TableKind>(m_store.metaValue(kKindKey, 0).toInt()),
                       m_store.metaValue(kSizeKey, 5).toInt()};
    if (!choice.valid())
        choice = {};
    setChoice(choice);
    connect(m_size, &QComboBox::activated, this, &SchulteWindow::choiceChanged);
    connect(m_kind, &QComboBox::activated, this, &SchulteWindow::choiceChanged);
    setLook({font().family(), Qt::white, Qt::black});
    m_board->setFocus();
}

SchulteWindow::~SchulteWindow() = default;

void SchulteWindow::setLook(const Look &look) {
    m_look = look;
    QPalette pal = m_board->palette();
    pal.setColor(QPalette::Window, look.background);
    pal.setColor(QPalette::WindowText, look.text);
    m_board->setPalette(pal);
    layOutCells();
}

void SchulteWindow::setChoice(TableChoice choice) {
    if (choice.kind == TableKind::Gorbov)
        choice.size = TableChoice::GorbovSize;
    if (choice.kind == TableKind::Letters)
        choice.size = std::min(choice.size, int(TableChoice::MaxLetterSize));
    m_kind->setCurrentIndex(m_kind->findData(int(choice.kind)));
    m_size->setCurrentIndex(m_size->findData(choice.size));
    m_size->setEnabled(choice.kind != TableKind::Gorbov);
    m_store.setMetaValue(kKindKey, int(choice.kind));
    m_store.setMetaValue(kSizeKey, choice.size);
    m_run = std::make_unique<TableRun>(choice, m_clock, m_seeds());
    again();
}

void SchulteWindow::choiceChanged() {
    setChoice(
        {static_cast<TableKind>(m_kind->currentData().toInt()), m_size->currentData().toInt()});
}

void SchulteWindow::again() {
    m_run = std::make_unique<TableRun>(m_run->choice(), m_clock, m_seeds());
    m_typed.clear();
    m_result->clear();
    m_result->setAccessibleName({});
    qDeleteAll(m_cells);
    m_cells.clear();
    for (int i = 0; i < m_run->cells().size(); ++i) {
        auto *cell = new SchulteCell(m_board, i);
        connect(cell, &QAbstractButton::clicked, this, [this, i] { pressed(i); });
        cell->show();
        m_cells.append(cell);
    }
    m_dot->raise();
    showCells();
    layOutCells();
    showProgress();
    m_board->setFocus();
}

void SchulteWindow::showCells() {
    const bool mark = m_markFound->isChecked();
    for (SchulteCell *cell : std::as_const(m_cells))
        cell->display(m_run->choice().kind, m_run->cells().at(cell->index()),
                      mark && m_run->isFound(cell->index()));
}

void SchulteWindow::layOutCells() {
    const int n = m_run ? m_run->choice().size : 0;
    if (n == 0)
        return;
    const QRect area = m_board->rect();
    const int cell = std::max(1, (std::min(area.width(), area.height()) - 8) / n);
    const int side = cell * n;
    const QPoint origin((area.width() - side) / 2, (area.height() - side) / 2);
    QFont font(m_look.fontFamily);
    // Two digits fill about two thirds of a cell.
    font.setPixelSize(std::max(6, cell * 2 / 5));
    for (SchulteCell *c : std::as_const(m_cells)) {
        c->setGeometry(origin.x() + (c->index() % n) * cell, origin.y() + (c->index() / n) * cell,
                       cell, cell);
        c->setFont(font);
    }
    m_dot->move(origin.x() + side / 2 - DotSize / 2, origin.y() + side / 2 - DotSize / 2);
}

void SchulteWindow::pressed(int index) {
    answered(m_run->press(index), index);
}

void SchulteWindow::answered(TableRun::Answer answer, int index) {
    if (answer == TableRun::Answer::Wrong && index >= 0)
        m_cells.at(index)->flash();
    if (answer == TableRun::Answer::Right && m_markFound->isChecked())
        m_cells.at(index)->display(m_run->choice().kind, m_run->cells().at(index), true);
    if (m_run->started() && !m_run->finished() && !m_tick->isActive())
        m_tick->start();
    if (answer == TableRun::Answer::Right && m_run->finished())
        finish();
    showProgress();
}

void SchulteWindow::showProgress() {
    QString text;
    if (m_hint->isChecked() && !m_run->finished()) {
        const std::optional<TableCell> target = m_run->target();
        text = QStringLiteral("%1   Найти: %2")
                   .arg(secondsText(m_run->elapsedMs()),
                        target ? spokenName(m_run->choice().kind, *target) : QString());
    }
    if (!m_typed.isEmpty())
        text += QStringLiteral("   Ввод: %1").arg(m_typed);
    if (m_run->paused())
        text += QStringLiteral("   Пауза");
    m_progress->setText(text.trimmed());
}

void SchulteWindow::finish() {
    m_tick->stop();
    const QList<qint64> earlier = m_store.recentTimes(m_run->choice(), 5);
    ExerciseRecord record{0, m_wall(), m_run->choice(), m_run->elapsedMs(), m_run->errors()};
    const bool kept = m_store.addExercise(record);
    QStringList parts = {QStringLiteral("Время: %1").arg(secondsText(record.timeMs)),
                         QStringLiteral("ошибок: %1").arg(record.errors)};
    const QString comparison = comparisonText(record.timeMs, earlier);
    if (!comparison.isEmpty())
        parts << comparison;
    QString text = parts.join(QStringLiteral(", ")) + QLatin1Char('.');
    if (!kept)
        text += QStringLiteral(" В дневник не записано.");
    m_result->setText(text);
    m_result->setAccessibleName(text);
    QAccessibleEvent changed(m_result, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
    m_again->setFocus();
}

void SchulteWindow::keyPressEvent(QKeyEvent *event) {
    const int key = event->key();
    if (key == Qt::Key_F3) {
        setWindowState(windowState() ^ Qt::WindowFullScreen);
        return;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (!m_typed.isEmpty()) {
            const TableRun::Answer answer = m_run->type(m_typed);
            // A wrong answer flashes a cell that carries it, when there is one.
            int index = -1;
            for (int i = 0; index < 0 && i < m_run->cells().size(); ++i) {
                if (cellLabel(m_run->choice().kind, m_run->cells().at(i)) == m_typed.toUpper())
                    index = i;
            }
            if (answer == TableRun::Answer::Right)
                index = static_cast<int>(m_run->cells().indexOf(m_run->lastFound()));
            m_typed.clear();
            answered(answer, index);
        }
        return;
    }
    if (key == Qt::Key_Backspace) {
        m_typed.chop(1);
        showProgress();
        return;
    }
    const QString text = event->text();
    if (text.size() == 1 && text.front().isLetterOrNumber() && m_typed.size() < 3) {
        m_typed += text;
        showProgress();
        return;
    }
    QDialog::keyPressEvent(event);
}

void SchulteWindow::resizeEvent(QResizeEvent *event) {
    QDialog::resizeEvent(event);
    layOutCells();
}

bool SchulteWindow::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_board && event->type() == QEvent::Resize)
        layOutCells();
    return QDialog::eventFilter(watched, event);
}

} // namespace zk
