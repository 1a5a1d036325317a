// Loading books through the window, from the dialog's answer to a ready editor.
#include "BenchSupport.h"
#include "BookFixtures.h"

#include "editor/EditorPanel.h"
#include "formats/LibreOfficeConverter.h"

#include <QFileInfo>
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

} // namespace

int main(int argc, char **argv) {
    return bench::run(argc, argv);
}
