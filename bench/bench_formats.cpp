#include "BookFixtures.h"
#include "formats/BookReaders.h"
#include "formats/ChainedConverter.h"
#include "formats/DjvuReader.h"
#include "formats/EncodingDetector.h"
#include "formats/LibreOfficeConverter.h"
#include "formats/PdfReader.h"
#include "formats/RtfReader.h"
#include "formats/TextCodec.h"

#include <benchmark/benchmark.h>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QUrl>

using namespace zk;
using namespace bench;
using namespace Qt::StringLiterals;

namespace {

void BM_DecodeUtf8Text10MB(benchmark::State &state) {
    const QByteArray bytes = paragraphs(10 << 20).join(u"\r\n"_s).toUtf8();
    for (auto _ : state)
        benchmark::DoNotOptimize(TextCodec::decode(bytes));
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_DecodeUtf8Text10MB)->Unit(benchmark::kMillisecond);

void BM_DecodeWindows1251Text10MB(benchmark::State &state) {
    const QString text = paragraphs(20 << 20).join(u"\r\n"_s);
    const QByteArray bytes = TextCodec::toWindows1251(text).left(10 << 20);
    for (auto _ : state)
        benchmark::DoNotOptimize(TextCodec::decode(bytes));
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_DecodeWindows1251Text10MB)->Unit(benchmark::kMillisecond);

void BM_ReadFb2Book5MB(benchmark::State &state) {
    const QByteArray bytes = fb2Book(5 << 20);
    for (auto _ : state)
        benchmark::DoNotOptimize(readFb2(bytes));
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_ReadFb2Book5MB)->Unit(benchmark::kMillisecond);

void BM_ReadEpubBook5MB(benchmark::State &state) {
    QTemporaryDir dir;
    const QString path = epubBook(dir.path(), 5 << 20);
    if (path.isEmpty()) {
        state.SkipWithError("could not write the EPUB");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(readEpub(path));
}
BENCHMARK(BM_ReadEpubBook5MB)->Unit(benchmark::kMillisecond);

void BM_ReadHtmlPage5MB(benchmark::State &state) {
    QString html = u"<html><head><meta charset=\"utf-8\"><title>Книга</title></head><body>"_s;
    for (const QString &p : paragraphs(5 << 20))
        html += u"<p>"_s + p + u"&nbsp;&mdash;</p>\n"_s;
    const QByteArray bytes = html.toUtf8();
    for (auto _ : state)
        benchmark::DoNotOptimize(readHtml(bytes));
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_ReadHtmlPage5MB)->Unit(benchmark::kMillisecond);

// Ten megabytes of Russian prose without a byte-order mark: in a Cyrillic code page (the
// statistical detector decides), as UTF-8 with one stray byte, and as UTF-16 without a mark.
QByteArray tenMegabytesIn(int kind) {
    const QString text = paragraphs(20 << 20).join(u"\r\n"_s);
    QByteArray bytes;
    if (kind == 0) {
        bytes = TextCodec::toWindows1251(text);
    } else if (kind == 1) {
        QStringEncoder koi8("KOI8-R");
        bytes = koi8.encode(text);
    } else if (kind == 2) {
        bytes = text.toUtf8();
        bytes[bytes.size() / 2] = '\xFF';
    } else {
        QStringEncoder utf16(QStringEncoder::Utf16LE);
        bytes = utf16.encode(text);
    }
    return bytes.left(10 << 20);
}

void BM_DetectEncoding10MB(benchmark::State &state) {
    const QByteArray bytes = tenMegabytesIn(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(EncodingDetector::detect(bytes));
    state.SetLabel(EncodingDetector::detect(bytes).encoding.toStdString());
}
BENCHMARK(BM_DetectEncoding10MB)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

void BM_DecodeUserFile10MB(benchmark::State &state) {
    const QByteArray bytes = tenMegabytesIn(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(TextCodec::decodeUserFile(bytes));
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_DecodeUserFile10MB)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

bool runTool(const QString &program, const QStringList &args, const QString &folder) {
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, args);
    return process.waitForFinished(600000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// A book of about 5 MB as LibreOffice prints it to PDF.
void BM_ReadPdfBook5MB(benchmark::State &state) {
    QTemporaryDir dir;
    QFile text(dir.filePath(u"book.txt"_s));
    if (!text.open(QIODevice::WriteOnly)) {
        state.SkipWithError("cannot write the text");
        return;
    }
    text.write(paragraphs(14500 * 1024).join(u"\n"_s).toUtf8());
    text.close();
    if (!runTool(
            u"soffice"_s,
            {u"--headless"_s, u"--norestore"_s,
             u"-env:UserInstallation="_s + QUrl::fromLocalFile(dir.filePath(u"p"_s)).toString(),
             u"--infilter=Text (encoded):UTF8"_s, u"--convert-to"_s, u"pdf"_s, u"book.txt"_s},
            dir.path())) {
        state.SkipWithError("soffice could not make the PDF");
        return;
    }
    const QString pdf = dir.filePath(u"book.pdf"_s);
    qint64 chars = 0;
    for (auto _ : state)
        chars = readPdf(pdf).text().size();
    state.counters["pdf_MB"] = static_cast<double>(QFileInfo(pdf).size()) / (1 << 20);
    state.counters["chars"] = static_cast<double>(chars);
}
BENCHMARK(BM_ReadPdfBook5MB)->Unit(benchmark::kMillisecond)->Iterations(2);

// An office document as LibreOffice writes it from `textBytes` of prose: .docx (format 0) or
// .rtf (1); read through LibreOffice (way 0) or as the program reads it (1).
void BM_ReadOfficeDocument(benchmark::State &state) {
    const QString format = state.range(0) == 0 ? u"docx"_s : u"rtf"_s;
    QTemporaryDir dir;
    QFile text(dir.filePath(u"doc.txt"_s));
    if (!text.open(QIODevice::WriteOnly)) {
        state.SkipWithError("cannot write the text");
        return;
    }
    text.write(paragraphs(state.range(0) == 0 ? 10 << 20 : 215 << 10).join(u"\n"_s).toUtf8());
    text.close();
    if (!runTool(
            u"soffice"_s,
            {u"--headless"_s, u"--norestore"_s,
             u"-env:UserInstallation="_s + QUrl::fromLocalFile(dir.filePath(u"p"_s)).toString(),
             u"--infilter=Text (encoded):UTF8"_s, u"--convert-to"_s,
             format == u"docx" ? u"docx:MS Word 2007 XML"_s : u"rtf:Rich Text Format"_s,
             u"doc.txt"_s},
            dir.path())) {
        state.SkipWithError("soffice could not make the document");
        return;
    }
    const QString path = dir.filePath(u"doc."_s + format);
    auto chained = std::make_unique<ChainedConverter>(std::make_unique<LibreOfficeConverter>());
    chained->setRtfReader(&RtfReader::plainText);
    std::unique_ptr<DocumentConverter> converter =
        state.range(1) == 0
            ? std::unique_ptr<DocumentConverter>(std::make_unique<LibreOfficeConverter>())
            : std::move(chained);
    qint64 chars = 0;
    for (auto _ : state)
        chars = converter->convert(path).text().size();
    state.counters["file_MB"] = static_cast<double>(QFileInfo(path).size()) / (1 << 20);
    state.counters["chars"] = static_cast<double>(chars);
}
BENCHMARK(BM_ReadOfficeDocument)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// 500 pages of hidden text, thirty lines each, over a blank picture.
void BM_ReadDjvu500Pages(benchmark::State &state) {
    QTemporaryDir dir;
    QFile picture(dir.filePath(u"blank.pbm"_s));
    if (!picture.open(QIODevice::WriteOnly)) {
        state.SkipWithError("cannot write the picture");
        return;
    }
    picture.write("P4\n2000 3000\n" + QByteArray(250 * 3000, '\0'));
    picture.close();
    if (!runTool(u"cjb2"_s, {u"blank.pbm"_s, u"blank.djvu"_s}, dir.path())) {
        state.SkipWithError("cjb2 is not available");
        return;
    }
    const QStringList lines = paragraphs(1200 * 1024).join(u' ').split(u' ');
    QStringList pages;
    qsizetype word = 0;
    for (int p = 0; p < 500; ++p) {
        QString sxp = u"(page 0 0 2000 3000"_s;
        for (int l = 0; l < 30; ++l) {
            const int top = 2800 - l * 90;
            QString line;
            while (line.size() < 60 && word < lines.size())
                line += lines[word++] + u' ';
            sxp += u"\n (line 150 %1 1850 %2 \"%3\")"_s.arg(top - 60).arg(top).arg(line.trimmed());
        }
        sxp += u")\n"_s;
        const QString name = u"p%1.djvu"_s.arg(p, 3, 10, QLatin1Char('0'));
        QFile::copy(dir.filePath(u"blank.djvu"_s), dir.filePath(name));
        QFile out(dir.filePath(u"t.sxp"_s));
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return;
        out.write(sxp.toUtf8());
        out.close();
        if (!runTool(u"djvused"_s, {u"-s"_s, u"-e"_s, u"select 1; set-txt t.sxp"_s, name},
                     dir.path())) {
            state.SkipWithError("djvused is not available");
            return;
        }
        pages << name;
    }
    if (!runTool(u"djvm"_s, QStringList{u"-c"_s, u"book.djvu"_s} + pages, dir.path())) {
        state.SkipWithError("djvm could not bundle the pages");
        return;
    }
    const QString book = dir.filePath(u"book.djvu"_s);
    qint64 chars = 0;
    for (auto _ : state)
        chars = readDjvu(book).text().size();
    state.counters["chars"] = static_cast<double>(chars);
}
BENCHMARK(BM_ReadDjvu500Pages)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
