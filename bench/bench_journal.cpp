// The training journal: recording a session at Stop, opening the window.
#include "BenchSupport.h"
#include "JournalFixtures.h"
#include "display/Clock.h"
#include "journal/JournalCharts.h"
#include "journal/JournalWindow.h"
#include "journal/TrainingJournal.h"

#include <benchmark/benchmark.h>

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QTemporaryDir>

namespace {

const qint64 kNow = QDateTime::currentMSecsSinceEpoch();

void BM_RecordSessionAtStop(benchmark::State &state) {
    QTemporaryDir dir;
    zk::ManualClock clock;
    zk::TrainingJournal journal(dir.path(), clock, [&clock] { return kNow + clock.nowMs(); });
    const QString book = QDir(dir.path()).filePath(QStringLiteral("книга.txt"));
    QFile file(book);
    if (file.open(QIODevice::WriteOnly))
        file.write("Текст книги.");
    file.close();
    journal.bookLoaded(book);
    for (auto _ : state) {
        state.PauseTiming();
        journal.recorder().start({}, 10);
        clock.advance(60'000);
        state.ResumeTiming();
        if (!journal.runEnded(300, 1800, 40, 12))
            state.SkipWithError("not recorded");
    }
    state.SetLabel(journal.status().available ? "recorded" : "journal unavailable");
}
BENCHMARK(BM_RecordSessionAtStop)->Unit(benchmark::kMillisecond);

// Opening the journal at start-up: integrity check and schema, 10,000 sessions.
void BM_OpenJournal(benchmark::State &state) {
    QTemporaryDir dir;
    {
        zk::JournalStore store(dir.path(), [] { return kNow; });
        bench::fillJournal(store, 10'000, 730, kNow);
    }
    for (auto _ : state) {
        zk::JournalStore store(dir.path(), [] { return kNow; });
        if (!store.available())
            state.SkipWithError("journal unavailable");
    }
}
BENCHMARK(BM_OpenJournal)->Unit(benchmark::kMillisecond);

// Counts the paints of the speed chart.
class PaintWatch final : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject *, QEvent *event) override {
        painted = painted || event->type() == QEvent::Paint;
        return false;
    }
};

// From constructing the window to the first painted speed chart.
void BM_OpenWindow(benchmark::State &state) {
    static QTemporaryDir dir;
    static zk::JournalStore *store = [] {
        auto *s = new zk::JournalStore(dir.path(), [] { return kNow; });
        bench::fillJournal(*s, 10'000, 730, kNow);
        return s;
    }();
    const auto period = static_cast<zk::JournalWindow::Period>(state.range(0));
    for (auto _ : state) {
        zk::JournalWindow window(*store, nullptr, [] { return kNow; });
        window.setPeriod(period);
        PaintWatch watch;
        window.findChild<zk::SpeedChartView *>()->viewport()->installEventFilter(&watch);
        window.show();
        for (int i = 0; i < 1000 && !watch.painted; ++i)
            QCoreApplication::processEvents();
        if (!watch.painted)
            state.SkipWithError("the chart was never painted");
        state.PauseTiming();
        window.close();
        state.ResumeTiming();
    }
    state.SetLabel(period == zk::JournalWindow::Period::All ? "10,000 sessions, all shown"
                                                            : "10,000 sessions, last month shown");
}
BENCHMARK(BM_OpenWindow)
    ->Arg(static_cast<int>(zk::JournalWindow::Period::Month))
    ->Arg(static_cast<int>(zk::JournalWindow::Period::All))
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) {
    return bench::run(argc, argv);
}
