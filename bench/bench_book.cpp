// Book-scale figures on generated Russian texts of 1, 10 and 80 MB (UTF-8 bytes).
#include "BenchSupport.h"

#include "display/ControlStrip.h"
#include "display/DisplayPanel.h"
#include "editor/EditorPanel.h"

#include <QElapsedTimer>
#include <QEventLoop>

namespace {

// Cyrillic takes two bytes a letter in UTF-8; spaces and marks one.
QString bookOfBytes(qint64 bytes) {
    return bench::russianText(bytes * 10 / 19, 40, 120);
}

using bench::residentKb;

// A second argument of 1 makes the book one paragraph without a line break.
struct Book {
    QTemporaryDir dir;
    QString path;
    explicit Book(const benchmark::State &state) {
        path = QDir(dir.path()).filePath(QStringLiteral("book.txt"));
        QString text = bookOfBytes(state.range(0) << 20);
        if (state.range(1) == 1)
            text.replace(QLatin1Char('\n'), QLatin1Char(' '));
        bench::writeFile(path, text);
    }
};

// Answers the open dialog with the book and loads it, as "Загрузить из файла" does.
zk::MainWindow *loadThroughDialog(bench::WindowSession &s, const Book &book) {
    auto dialogs = std::make_unique<bench::AnswerDialogs>();
    dialogs->path = book.path;
    s.window->setDialogs(std::move(dialogs));
    s.window->documents()->loadFromFile();
    return s.window.get();
}

void BM_StartupToFirstPiece(benchmark::State &state) {
    Book book(state);
    for (auto _ : state) {
        QTemporaryDir data;
        zk::StartupOptions o;
        o.dataFolder = data.path();
        o.commandLineFile = book.path;
        zk::MainWindow w(o);
        w.show();
        w.createFullScreenWindow();
        w.reading()->tick();
        benchmark::DoNotOptimize(w.mainPanel()->row(0)->text());
        state.PauseTiming();
        w.shutDown();
        state.ResumeTiming();
    }
}

void BM_LoadFromDialog(benchmark::State &state) {
    Book book(state);
    bench::WindowSession s(QStringLiteral("начало"));
    auto dialogs = std::make_unique<bench::AnswerDialogs>();
    dialogs->path = book.path;
    s.window->setDialogs(std::move(dialogs));
    const qint64 before = residentKb();
    for (auto _ : state) {
        s.window->documents()->loadFromFile();
        benchmark::DoNotOptimize(s.window->editor()->lineCount());
    }
    state.counters["rss_MB"] = residentKb() / 1024.0;
    state.counters["rss_growth_MB"] = (residentKb() - before) / 1024.0;
}

// F2 with the reading position at 99 % right after the load, until the editor is shown
// and until its line and percentage are known; F2 again once everything is counted; F2
// to hide.
void BM_ShowHideEditor(benchmark::State &state) {
    Book book(state);
    bench::WindowSession s{QString()};
    zk::MainWindow *w = loadThroughDialog(s, book);
    double showMs = 0;
    double countedMs = 0;
    double settledMs = 0;
    double hideMs = 0;
    for (auto _ : state) {
        w->engine().state().CurrentLine = w->editor()->lineCount() * 99 / 100;
        QElapsedTimer t;
        t.start();
        w->editing()->toggleEditor();
        showMs = t.nsecsElapsed() / 1e6;
        QEventLoop counting;
        QObject::connect(w->editor(), &zk::EditorPanel::shownLinesCounted, &counting,
                         &QEventLoop::quit);
        if (!w->editor()->shownLinesReady())
            counting.exec();
        countedMs = t.nsecsElapsed() / 1e6;
        w->editing()->hideEditor();
        w->engine().state().CurrentLine = w->editor()->lineCount() * 99 / 100;
        t.restart();
        w->editing()->toggleEditor();
        settledMs = t.nsecsElapsed() / 1e6;
        t.restart();
        w->editing()->hideEditor();
        hideMs = t.nsecsElapsed() / 1e6;
    }
    state.counters["show_ms"] = showMs;
    state.counters["line_known_ms"] = countedMs;
    state.counters["show_counted_ms"] = settledMs;
    state.counters["hide_ms"] = hideMs;
}

void BM_Tick9Rows(benchmark::State &state) {
    Book book(state);
    bench::WindowSession s{QString()};
    zk::MainWindow *w = loadThroughDialog(s, book);
    bench::startNineRowRun(w);
    // The first tick after a load pays for building the line model once.
    QElapsedTimer first;
    first.start();
    w->reading()->tick();
    state.counters["first_tick_ms"] = first.nsecsElapsed() / 1e6;
    for (auto _ : state) {
        w->engine().state().PauseTicks = 0;
        w->reading()->tick();
    }
}

void sizes(benchmark::internal::Benchmark *b) {
    b->Args({1, 0})->Args({10, 0})->Args({80, 0})->Unit(benchmark::kMillisecond);
}

void withOneLine(benchmark::internal::Benchmark *b) {
    sizes(b);
    b->Args({10, 1})->Args({100, 1});
}

BENCHMARK(BM_StartupToFirstPiece)->Apply(withOneLine)->Iterations(1);
BENCHMARK(BM_LoadFromDialog)->Apply(withOneLine)->Iterations(1);
BENCHMARK(BM_ShowHideEditor)->Apply(sizes)->Iterations(1);
BENCHMARK(BM_Tick9Rows)->Apply(withOneLine)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv) {
    return bench::run(argc, argv);
}
