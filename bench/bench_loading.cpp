// Loading books through the window, from the dialog's answer to a ready editor.
#include "BenchSupport.h"
#include "BookFixtures.h"

#include "app/commands/ReadingController.h"
#include "display/DisplayPanel.h"
#include "editor/EditorPanel.h"
#include "formats/ChainedConverter.h"
#include "formats/LibreOfficeConverter.h"
#include "formats/RtfReader.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>

namespace {

void loadThroughWindow(benchmark::State &state, const QString &path) {
    bench::WindowSession s(QStringLiteral("начало"));
    auto dialogs = std::make_unique<bench::AnswerDialogs>();
    dialogs->path = path;
    s.window->setDialogs(std::move(dialogs));
    for (auto _ : state) {
        s.window->documents()->loadFromFile();
        benchmark::DoNotOptimize(s.window->editor()->lineCount());
    }
}

void BM_LoadTxt10MB(benchmark::State &state) {
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("book.txt"));
    bench::writeFile(path, bench::russianText(5 * 1024 * 1024, 40, 120));
    loadThroughWindow(state, path);
}
BENCHMARK(BM_LoadTxt10MB)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_LoadFb2_5MB(benchmark::State &state) {
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("book.fb2"));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bench::fb2Book(5 << 20));
    f.close();
    loadThroughWindow(state, path);
}
BENCHMARK(BM_LoadFb2_5MB)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_LoadEpub5MB(benchmark::State &state) {
    QTemporaryDir dir;
    loadThroughWindow(state, bench::epubBook(dir.path(), 5 << 20));
}
BENCHMARK(BM_LoadEpub5MB)->Unit(benchmark::kMillisecond)->Iterations(3);

// One real LibreOffice conversion of a 1 MB .docx (made by LibreOffice itself first).
void BM_LibreOfficeDocx1MB(benchmark::State &state) {
    QTemporaryDir dir;
    const QString txt = QDir(dir.path()).filePath(QStringLiteral("book.txt"));
    bench::writeFile(txt, bench::russianText(6 * 1024 * 1024, 40, 120));
    QProcess make;
    make.start(QStringLiteral("soffice"),
               {QStringLiteral("--headless"),
                QStringLiteral("-env:UserInstallation=file://") + dir.path() + QStringLiteral("/p"),
                QStringLiteral("--convert-to"), QStringLiteral("docx"), QStringLiteral("--outdir"),
                dir.path(), txt});
    if (!make.waitForFinished(180000)) {
        state.SkipWithError("soffice is not available");
        return;
    }
    const QString docx = QDir(dir.path()).filePath(QStringLiteral("book.docx"));
    zk::LibreOfficeConverter converter;
    for (auto _ : state) {
        const zk::ConversionResult text = converter.convert(docx);
        if (!text)
            state.SkipWithError("conversion failed");
    }
    state.counters["docx_bytes"] = static_cast<double>(QFileInfo(docx).size());
}
BENCHMARK(BM_LibreOfficeDocx1MB)->Unit(benchmark::kMillisecond)->Iterations(1);

// A long PDF book (ZK_BENCH_PDF, else about 1,900 pages printed by LibreOffice) through the
// window and the page reader beside the program: from the dialog's answer to the first piece
// shown, and until the whole book is in the editor; pdftotext on the same file in the same run.
// Argument 0 reads the book whole before showing it, 1 starts on its first pages.
void BM_LongPdfToFirstPiece(benchmark::State &state) {
    QTemporaryDir dir;
    QString pdf = qEnvironmentVariable("ZK_BENCH_PDF");
    if (pdf.isEmpty()) {
        const QString txt = QDir(dir.path()).filePath(QStringLiteral("book.txt"));
        bench::writeFile(txt, bench::russianText(8600 * 1024, 40, 120));
        QProcess make;
        make.start(
            QStringLiteral("soffice"),
            {QStringLiteral("--headless"),
             QStringLiteral("-env:UserInstallation=file://") + dir.path() + QStringLiteral("/p"),
             QStringLiteral("--infilter=Text (encoded):UTF8"), QStringLiteral("--convert-to"),
             QStringLiteral("pdf"), QStringLiteral("--outdir"), dir.path(), txt});
        pdf = QDir(dir.path()).filePath(QStringLiteral("book.pdf"));
        if (!make.waitForFinished(600000) || !QFileInfo::exists(pdf)) {
            state.SkipWithError("soffice is not available");
            return;
        }
    }
    const QString helper =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../zorkan-pages"));
    bench::WindowSession s(QStringLiteral("начало"));
    auto dialogs = std::make_unique<bench::AnswerDialogs>();
    dialogs->path = pdf;
    s.window->setDialogs(std::move(dialogs));
    auto converter = std::make_unique<zk::ChainedConverter>(nullptr, helper);
    converter->setRtfReader(&zk::RtfReader::plainText);
    converter->setEarlyStart(state.range(0) == 1);
    s.window->setConverter(std::move(converter));
    double firstMs = 0;
    double wholeMs = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        s.window->documents()->loadFromFile();
        s.window->reading()->start();
        s.window->reading()->tick();
        benchmark::DoNotOptimize(s.window->mainPanel()->row(0)->text());
        firstMs += clock.nsecsElapsed() / 1e6;
        s.window->reading()->interrupt();
        while (s.window->documents()->readingOn())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        benchmark::DoNotOptimize(s.window->editor()->lineCount());
        wholeMs += clock.nsecsElapsed() / 1e6;
    }
    QElapsedTimer clock;
    clock.start();
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"),
                                                  pdf, QStringLiteral("/dev/null")});
    const bool timed = pdftotext.waitForFinished(600000) && pdftotext.exitCode() == 0;
    const double toolMs = clock.nsecsElapsed() / 1e6;
    const double runs = static_cast<double>(state.iterations());
    state.counters["first_piece_ms"] = firstMs / runs;
    state.counters["whole_ms"] = wholeMs / runs;
    state.counters["pdftotext_ms"] = timed ? toolMs : 0;
    state.counters["whole_to_pdftotext"] = timed ? wholeMs / runs / toolMs : 0;
    state.counters["chars"] = static_cast<double>(s.window->editor()->text().size());
    state.counters["rss_MB"] = bench::residentKb() / 1024.0;
    state.counters["peak_MB"] = bench::residentKb("VmHWM:") / 1024.0;
}
BENCHMARK(BM_LongPdfToFirstPiece)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

int main(int argc, char **argv) {
    return bench::run(argc, argv);
}
