#include "BookFixtures.h"
#include "editor/text/BookReaders.h"
#include "editor/text/TextCodec.h"

#include <benchmark/benchmark.h>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

#include <QRandomGenerator>
#include <QTemporaryDir>

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

} // namespace

BENCHMARK_MAIN();
