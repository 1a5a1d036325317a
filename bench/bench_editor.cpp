// The editor on a whole book: showing, hiding, reformatting, line queries, paste.
#include "BenchSupport.h"
#include "app/MainWindow.h"
#include "display/ControlStrip.h"
#include "editor/EditorPanel.h"
#include "formats/TextCodec.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <memory>

namespace {

// About three million characters: short paragraphs (dialogue) or long ones.
struct Session : bench::WindowSession {
    explicit Session(int words)
        : bench::WindowSession(bench::russianText(3'000'000, words, words)) {}
};

void BM_ShowEditorAt99(benchmark::State &state) {
    Session s(static_cast<int>(state.range(0)));
    zk::MainWindow *w = s.window.get();
    for (auto _ : state) {
        w->engine().state().CurrentLine = w->editor()->lineCount() * 99 / 100;
        w->editing()->toggleEditor();
        state.PauseTiming();
        w->editing()->hideEditor();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ShowEditorAt99)->Arg(12)->Arg(400)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_HideEditor(benchmark::State &state) {
    Session s(static_cast<int>(state.range(0)));
    zk::MainWindow *w = s.window.get();
    for (auto _ : state) {
        state.PauseTiming();
        w->editing()->toggleEditor();
        w->editor()->setCaret(w->editor()->document()->characterCount() * 9 / 10);
        state.ResumeTiming();
        w->editing()->hideEditor();
    }
}
BENCHMARK(BM_HideEditor)->Arg(12)->Arg(400)->Unit(benchmark::kMillisecond)->Iterations(3);

// To the repainted editor: Qt lays out what is on screen first.
void BM_ReformatEditor(benchmark::State &state) {
    Session s(static_cast<int>(state.range(0)));
    zk::MainWindow *w = s.window.get();
    w->editing()->toggleEditor();
    for (auto _ : state) {
        w->editing()->ReformatEditor();
        w->editor()->viewport()->repaint();
    }
}
BENCHMARK(BM_ReformatEditor)->Arg(12)->Arg(400)->Unit(benchmark::kMillisecond)->Iterations(3);

// Including the layout of the whole book, which the first line query after it needs.
void BM_ReformatEditorFullLayout(benchmark::State &state) {
    Session s(static_cast<int>(state.range(0)));
    zk::MainWindow *w = s.window.get();
    w->editing()->toggleEditor();
    for (auto _ : state) {
        w->editing()->ReformatEditor();
        benchmark::DoNotOptimize(w->editor()->lineCount());
    }
}
BENCHMARK(BM_ReformatEditorFullLayout)
    ->Arg(12)
    ->Arg(400)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

void BM_LineOfPosition(benchmark::State &state) {
    Session s(static_cast<int>(state.range(0)));
    zk::MainWindow *w = s.window.get();
    w->editing()->toggleEditor();
    zk::EditorPanel *e = w->editor();
    const int length = e->document()->characterCount();
    QRandomGenerator rng(3);
    for (auto _ : state)
        benchmark::DoNotOptimize(e->lineOfPosition(rng.bounded(length)));
}
BENCHMARK(BM_LineOfPosition)->Arg(12)->Arg(400)->Unit(benchmark::kMicrosecond);

void BM_Paste1MB(benchmark::State &state) {
    Session s(400);
    zk::MainWindow *w = s.window.get();
    const QString megabyte = bench::russianText(1'000'000, 40, 40);
    w->setClipboardText([&] { return megabyte; });
    w->editing()->toggleEditor();
    for (auto _ : state) {
        w->editing()->prepareEditorMenu();
        w->editing()->pasteClipboard();
    }
}
BENCHMARK(BM_Paste1MB)->Unit(benchmark::kMillisecond)->Iterations(2);

// Ten million characters without a line break, broken into rows of the hidden layout.
void BM_BreakOneLine(benchmark::State &state) {
    QString text = bench::russianText(10'000'000, 40, 120);
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    zk::ShownLayout layout;
    layout.font = QFont(QStringLiteral("MS Sans Serif"), 12);
    layout.option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.lineWidth = zk::EditorPanel::HiddenWidth;
    qint64 ns = 0;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        zk::RowBreaker breaker(layout);
        benchmark::DoNotOptimize(breaker.rowCount(text));
        ns += t.nsecsElapsed();
    }
    state.counters["ns_per_char"] = static_cast<double>(ns) / state.iterations() / text.size();
}
BENCHMARK(BM_BreakOneLine)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char **argv) {
    return bench::run(argc, argv);
}
