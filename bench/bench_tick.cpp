// Cost of reading ticks and start-up on generated Russian texts.
#include "BenchSupport.h"
#include "app/MainWindow.h"
#include "display/ControlStrip.h"
#include "display/DisplayPanel.h"
#include "editor/EditorPanel.h"
#include "formats/TextCodec.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

void BM_Tick9Rows(benchmark::State &state) {
    bench::WindowSession s(bench::russianText(state.range(0) / 2, 40, 120));
    zk::MainWindow *w = s.window.get();
    bench::startNineRowRun(w);
    for (auto _ : state) {
        w->engine().state().PauseTicks = 0;
        w->reading()->tick();
    }
    state.SetLabel(
        QByteArray::number(w->engine().state().CurrentLine).prepend("line ").toStdString());
}
BENCHMARK(BM_Tick9Rows)->Arg(512 * 1024)->Arg(50 * 1024 * 1024)->Unit(benchmark::kMicrosecond);

// The tick with its painting, every reading option of our own off (0) or on (1).
void BM_TickOptions(benchmark::State &state) {
    bench::WindowSession s(bench::russianText(256 * 1024, 40, 120));
    zk::MainWindow *w = s.window.get();
    const bool on = state.range(0) != 0;
    const zk::Actions &a = w->actions();
    for (QAction *option : {a.MnLongWords, a.MnRampUp, a.MnFocusLetter, a.MnContextOnStop}) {
        option->setChecked(!on);
        option->trigger(); // as a click: checked as wanted, with its handler run
    }
    bench::startNineRowRun(w);
    for (auto _ : state) {
        w->engine().state().PauseTicks = 0;
        w->reading()->tick();
        w->mainPanel()->repaint();
    }
}
BENCHMARK(BM_TickOptions)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_StartupToFirstPiece(benchmark::State &state) {
    QTemporaryDir dir;
    const QString book = QDir(dir.path()).filePath(QStringLiteral("book.txt"));
    bench::writeFile(book, bench::russianText(state.range(0) / 2, 40, 120));
    for (auto _ : state) {
        QTemporaryDir data;
        zk::StartupOptions o;
        o.dataFolder = data.path();
        o.commandLineFile = book;
        zk::MainWindow w(o);
        w.show();
        w.createFullScreenWindow(); // the file on the command line starts reading
        w.reading()->tick();
        benchmark::DoNotOptimize(w.mainPanel()->row(0)->text());
        state.PauseTiming();
        w.shutDown();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartupToFirstPiece)
    ->Arg(10 * 1024 * 1024)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// Real timer ticks under the event loop: mean interval and 99th-percentile deviation.
void BM_TickTiming(benchmark::State &state) {
    bench::WindowSession s(bench::russianText(256 * 1024, 40, 120));
    zk::MainWindow *w = s.window.get();
    w->actions().MnReadNonStop->setChecked(true);
    w->strip()->UpDown2->setValue(50);
    for (auto _ : state) {
        std::vector<qint64> stamps;
        QElapsedTimer clock;
        clock.start();
        QEventLoop loop;
        QObject::connect(w->timers().t1, &QTimer::timeout, &loop, [&] {
            stamps.push_back(clock.nsecsElapsed());
            if (stamps.size() > 200)
                loop.quit();
        });
        w->reading()->start();
        loop.exec();
        w->reading()->stop();
        std::vector<double> intervals;
        for (size_t i = 1; i < stamps.size(); ++i)
            intervals.push_back((stamps[i] - stamps[i - 1]) / 1e6);
        double mean = 0;
        for (double v : intervals)
            mean += v;
        mean /= intervals.size();
        std::vector<double> dev;
        for (double v : intervals)
            dev.push_back(std::abs(v - 50.0));
        std::sort(dev.begin(), dev.end());
        state.counters["mean_ms"] = mean;
        state.counters["p99_dev_ms"] = dev[static_cast<size_t>(dev.size() * 0.99)];
    }
}
BENCHMARK(BM_TickTiming)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) {
    return bench::run(argc, argv);
}
