// The editor on a whole book: showing, hiding, reformatting, line queries, paste.
#include "app/MainWindow.h"
#include "display/ControlStrip.h"
#include "editor/EditorPanel.h"
#include "editor/text/TextCodec.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <memory>

namespace {

// About three million characters: short paragraphs (dialogue) or long ones.
QString book(int wordsPerParagraph)
{
    static const char16_t *const words[] = {u"чтение", u"быстро", u"Москва", u"слово",
                                            u"строка", u"внимание", u"глаза",  u"текст",
                                            u"и",      u"в",        u"на",     u"книга"};
    QRandomGenerator rng(7);
    QString text;
    text.reserve(3'100'000);
    int inParagraph = 0;
    while (text.size() < 3'000'000) {
        text += QString::fromUtf16(words[rng.bounded(12)]);
        if (++inParagraph >= wordsPerParagraph) {
            text += QStringLiteral(".\n");
            inParagraph = 0;
        } else {
            text += QLatin1Char(' ');
        }
    }
    return text;
}

struct Session {
    QTemporaryDir dir;
    std::unique_ptr<zk::MainWindow> window;
    explicit Session(int wordsPerParagraph)
    {
        QFile f(QDir(dir.path()).filePath(QStringLiteral("LastEdit")));
        f.open(QIODevice::WriteOnly);
        f.write(zk::TextCodec::encode(book(wordsPerParagraph)));
        f.close();
        zk::StartupOptions o;
        o.dataFolder = dir.path();
        window = std::make_unique<zk::MainWindow>(o);
        window->show();
        window->createFullScreenWindow();
    }
};

void BM_ShowEditorAt99(benchmark::State &state)
{
    Session s(static_cast<int>(state.range(0)));
    zk::MainWindow *w = s.window.get();
    for (auto _ : state) {
        w->engine().state().CurrentLine = w->editor()->lineCount() * 99 / 100;
        w->MnShowEditClick();
        state.PauseTiming();
        w->ActHideEdit();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ShowEditorAt99)->Arg(12)->Arg(400)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_HideEditor(benchmark::State &state)
{
    Session s(static_cast<int>(state.range(0)));
    zk::MainWindow *w = s.window.get();
    for (auto _ : state) {
        state.PauseTiming();
        w->MnShowEditClick();
        w->editor()->setCaret(w->editor()->document()->characterCount() * 9 / 10);
        state.ResumeTiming();
        w->ActHideEdit();
    }
}
BENCHMARK(BM_HideEditor)->Arg(12)->Arg(400)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ReformatEditor(benchmark::State &state)
{
    Session s(static_cast<int>(state.range(0)));
    zk::MainWindow *w = s.window.get();
    w->MnShowEditClick();
    for (auto _ : state) {
        w->ReformatEditor();
        // The new font takes effect with the next layout; include it.
        benchmark::DoNotOptimize(w->editor()->lineCount());
    }
}
BENCHMARK(BM_ReformatEditor)->Arg(12)->Arg(400)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_LineOfPosition(benchmark::State &state)
{
    Session s(static_cast<int>(state.range(0)));
    zk::MainWindow *w = s.window.get();
    w->MnShowEditClick();
    zk::EditorPanel *e = w->editor();
    const int length = e->document()->characterCount();
    QRandomGenerator rng(3);
    for (auto _ : state)
        benchmark::DoNotOptimize(e->lineOfPosition(rng.bounded(length)));
}
BENCHMARK(BM_LineOfPosition)->Arg(12)->Arg(400)->Unit(benchmark::kMicrosecond);

void BM_Paste1MB(benchmark::State &state)
{
    Session s(400);
    zk::MainWindow *w = s.window.get();
    const QString megabyte = book(40).left(1'000'000);
    w->setClipboardText([&] { return megabyte; });
    w->MnShowEditClick();
    for (auto _ : state) {
        w->PopupMenu2Popup();
        w->PumPasteClick();
    }
}
BENCHMARK(BM_Paste1MB)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
