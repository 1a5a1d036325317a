// The RTF reader and the help window on large and hostile help files.
#include "BenchSupport.h"
#include "app/HelpWindow.h"
#include "formats/RtfReader.h"

#include <QAbstractTextDocumentLayout>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

namespace {

QByteArray rtfOf(const QByteArray &unit, qsizetype bytes) {
    return "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0 Arial;}}\\fs24 " +
           unit.repeated(bytes / unit.size() + 1) + "}";
}

// Bold switched on and off at every letter of one endless word.
QByteArray alternatingBold(qsizetype bytes) {
    return rtfOf("\\b a\\b0 b", bytes);
}
QByteArray paragraphMarks(qsizetype bytes) {
    return rtfOf("\\par\n", bytes);
}
QByteArray shortParagraphs(qsizetype bytes) {
    return rtfOf("words and words\\par\n", bytes);
}
// Paragraphs of 40 words, a bold Russian word now and then.
QByteArray prose(qsizetype bytes) {
    QByteArray paragraph;
    for (int word = 1; word <= 40; ++word)
        paragraph += word % 17 == 0 ? "{\\b \\'f7\\'f2\\'e5\\'ed\\'e8\\'e5} " : "text words ";
    return rtfOf(paragraph + "\\par\n", bytes);
}

using Maker = QByteArray (*)(qsizetype);

void readInto(benchmark::State &state, Maker make) {
    const QByteArray rtf = make(state.range(0) * 1024);
    for (auto _ : state) {
        QTextDocument doc;
        zk::RtfReader::read(rtf, &doc);
        benchmark::DoNotOptimize(doc.blockCount());
    }
    state.SetBytesProcessed(state.iterations() * rtf.size());
}

// F1's path: the help window reads the file and is shown and painted once; with `complete`, on
// until the whole file is read, laid out and its end painted.
void showHelp(benchmark::State &state, Maker make, bool complete) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Readme.rtf"));
    QFile file(path);
    const QByteArray rtf = make(state.range(0) * 1024);
    if (!file.open(QIODevice::WriteOnly) || file.write(rtf) != rtf.size()) {
        state.SkipWithError("could not write the help file");
        return;
    }
    file.close();
    for (auto _ : state) {
        zk::HelpWindow help;
        help.loadRtf(path);
        help.show();
        QApplication::processEvents();
        if (complete) {
            while (help.isReading())
                QApplication::processEvents();
            QTextDocument *doc = help.richEdit()->document();
            benchmark::DoNotOptimize(doc->documentLayout()->blockBoundingRect(doc->lastBlock()));
            QScrollBar *bar = help.richEdit()->verticalScrollBar();
            bar->setValue(bar->maximum());
        }
        help.richEdit()->viewport()->grab();
    }
}

// Sizes in KB; the doubling shows whether the cost grows linearly.
BENCHMARK_CAPTURE(readInto, AlternatingBold, alternatingBold)
    ->Arg(225)
    ->Arg(450)
    ->Arg(900)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(readInto, ParagraphMarks, paragraphMarks)
    ->Arg(1024)
    ->Arg(2048)
    ->Arg(4096)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(readInto, ShortParagraphs, shortParagraphs)
    ->Arg(2048)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(readInto, Prose, prose)->Arg(2048)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(showHelp, AlternatingBold, alternatingBold, false)
    ->Arg(100)
    ->Arg(200)
    ->Arg(400)
    ->Arg(900)
    ->Arg(2048)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(showHelp, ParagraphMarks, paragraphMarks, false)
    ->Arg(2048)
    ->Arg(20480)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(showHelp, ShortParagraphs, shortParagraphs, false)
    ->Arg(2048)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(showHelp, Prose, prose, false)->Arg(2048)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(showHelp, AlternatingBoldComplete, alternatingBold, true)
    ->Arg(900)
    ->Arg(2048)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(showHelp, ParagraphMarksComplete, paragraphMarks, true)
    ->Arg(20480)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(showHelp, ShortParagraphsComplete, shortParagraphs, true)
    ->Arg(2048)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(showHelp, ProseComplete, prose, true)->Arg(2048)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) {
    return bench::run(argc, argv);
}
