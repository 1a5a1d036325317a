// Comprehension checks: building one over a span of a 10 MB book, and how far a
// guesser that never saw the read span gets on the gap questions.
#include "training/ComprehensionCheck.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QHash>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cctype>
#include <cstdio>

namespace {

using namespace Qt::StringLiterals;

QString ownText(const char *relative) {
    QFile f(QString::fromUtf8(ZK_SOURCE_DIR "/") + QString::fromUtf8(relative));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// The text of our help, which is RTF in code page 1251.
QString helpText() {
    QFile f(QString::fromUtf8(ZK_SOURCE_DIR "/data/Readme.rtf"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray rtf = f.readAll();
    auto cp1251 = [](uchar b) -> QChar {
        if (b >= 0xC0)
            return QChar(0x410 + (b - 0xC0));
        switch (b) {
        case 0xA8:
            return QChar(0x401);
        case 0xB8:
            return QChar(0x451);
        case 0x97:
            return QChar(0x2014);
        case 0x96:
            return QChar(0x2013);
        case 0xAB:
            return QChar(0xAB);
        case 0xBB:
            return QChar(0xBB);
        case 0x85:
            return QChar(0x2026);
        default:
            return QChar(u' ');
        }
    };
    QString out;
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        const char c = rtf.at(i);
        if (c == '\\' && i + 3 < rtf.size() && rtf.at(i + 1) == '\'') {
            out += cp1251(uchar(rtf.mid(i + 2, 2).toInt(nullptr, 16)));
            i += 3;
        } else if (c == '\\') {
            const bool par = rtf.mid(i + 1, 3) == "par";
            while (i + 1 < rtf.size() && std::isalnum(uchar(rtf.at(i + 1))))
                ++i;
            out += par ? u'\n' : u' ';
        } else if (c != '{' && c != '}' && c != '\r' && c != '\n') {
            out += QLatin1Char(c);
        }
    }
    return out;
}

// Russian-looking words: stems of our prose with Russian endings, so that endings
// matter as they do in a real book, and a vocabulary of thousands.
QStringList inflectedBook(const QString &source, qsizetype chars, quint32 seed) {
    static const QStringList endings = {u"ами"_s,  u"ого"_s, u"ему"_s, u"ые"_s,   u"ая"_s,
                                        u"ой"_s,   u"ов"_s,  u"ах"_s,  u"ение"_s, u"ает"_s,
                                        u"ался"_s, u"ить"_s, u"ала"_s, u"ую"_s,   u"ям"_s};
    static const QStringList glue = {u"и"_s,  u"в"_s, u"на"_s, u"с"_s,  u"не"_s, u"что"_s,
                                     u"по"_s, u"к"_s, u"а"_s,  u"но"_s, u"из"_s, u"за"_s};
    QStringList stems;
    const QRegularExpression split(u"[^\\w]+"_s, QRegularExpression::UseUnicodePropertiesOption);
    for (const QString &w : source.toLower().split(split, Qt::SkipEmptyParts))
        if (w.size() >= 6 && w.front().isLetter() && !stems.contains(w.chopped(2)))
            stems.append(w.chopped(2));
    QRandomGenerator rng(seed);
    QStringList lines;
    QString paragraph;
    qsizetype size = 0;
    while (size < chars) {
        const int n = 6 + int(rng.bounded(14));
        QString s;
        for (int k = 0; k < n; ++k) {
            const QString w = rng.bounded(3) == 0
                                  ? glue.at(rng.bounded(int(glue.size())))
                                  : stems.at(rng.bounded(int(stems.size()))) +
                                        endings.at(rng.bounded(int(endings.size())));
            s += (k ? u" "_s : QString()) + w;
        }
        s[0] = s[0].toUpper();
        paragraph += (paragraph.isEmpty() ? QString() : u" "_s) + s + u"."_s;
        if (rng.bounded(5) == 0) {
            size += paragraph.size() + 1;
            lines.append(paragraph);
            paragraph.clear();
        }
    }
    lines.append(paragraph);
    return lines;
}

// A book of `chars` characters from a chain over the words of our own prose: each
// word is followed by one that followed it there, so phrases recur as in a real book.
QStringList chainBook(const QString &source, qsizetype chars, quint32 seed) {
    const QStringList words = source.simplified().split(u' ', Qt::SkipEmptyParts);
    QHash<QString, QStringList> next;
    QStringList starts;
    for (qsizetype i = 0; i + 1 < words.size(); ++i) {
        next[words.at(i)].append(words.at(i + 1));
        if (words.at(i).front().isUpper())
            starts.append(words.at(i));
    }
    QRandomGenerator rng(seed);
    QStringList lines;
    QString paragraph;
    qsizetype size = 0;
    QString w = starts.at(rng.bounded(int(starts.size())));
    while (size < chars) {
        paragraph += (paragraph.isEmpty() ? QString() : u" "_s) + w;
        const QStringList &after = next.value(w);
        const bool end = w.back() == u'.' || w.back() == u'!' || w.back() == u'?';
        if (after.isEmpty() || (end && rng.bounded(5) == 0)) {
            size += paragraph.size() + 1;
            lines.append(paragraph);
            paragraph.clear();
            w = starts.at(rng.bounded(int(starts.size())));
        } else {
            w = after.at(rng.bounded(int(after.size())));
        }
    }
    lines.append(paragraph);
    return lines;
}

qsizetype utf8Size(const QStringList &lines) {
    qsizetype n = 0;
    for (const QString &l : lines)
        n += l.toUtf8().size() + 1;
    return n;
}

// A span of about `words` words from the middle of the book.
std::pair<int, int> middleSpan(const QStringList &lines, int words, int from) {
    int end = from;
    for (int n = 0; end < lines.size() && n < words; ++end)
        n += zk::ComprehensionCheck::wordCount(lines.at(end));
    return {from, end};
}

void BM_BuildCheck(benchmark::State &state) {
    static const QStringList book = chainBook(ownText("data/sample.txt"), 5'800'000, 1);
    static const zk::CheckDocument doc(book);
    const auto [first, end] = middleSpan(book, int(state.range(0)), int(book.size() / 2));
    quint32 seed = 1;
    int questions = 0;
    for (auto _ : state) {
        const zk::Check check = zk::ComprehensionCheck::build(doc, first, end, seed++);
        questions = int(check.questions.size());
        benchmark::DoNotOptimize(check);
    }
    state.SetLabel(QStringLiteral("%1 MB book, %2 words read, %3 questions")
                       .arg(double(utf8Size(book)) / 1e6, 0, 'f', 1)
                       .arg(state.range(0))
                       .arg(questions)
                       .toStdString());
}
BENCHMARK(BM_BuildCheck)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond);

// Joining the editor's lines once per check.
void BM_DocumentOfBook(benchmark::State &state) {
    static const QStringList book = chainBook(ownText("data/sample.txt"), 5'800'000, 1);
    for (auto _ : state)
        benchmark::DoNotOptimize(zk::CheckDocument(book));
}
BENCHMARK(BM_DocumentOfBook)->Unit(benchmark::kMillisecond);

// The guesser sees the question and the document without the read span.
struct Guesser {
    QHash<QString, int> words;
    QHash<QString, int> pairs;

    void count(const QString &line, int sign) {
        static const QRegularExpression split(u"[^\\w-]+"_s,
                                              QRegularExpression::UseUnicodePropertiesOption);
        const QStringList w = line.toLower().split(split, Qt::SkipEmptyParts);
        for (qsizetype i = 0; i < w.size(); ++i) {
            words[w.at(i)] += sign;
            if (i > 0)
                pairs[w.at(i - 1) + u' ' + w.at(i)] += sign;
        }
    }
    // Neighbours that occur with the option elsewhere; ties go to the commoner word.
    int guess(const zk::Question &q) const {
        static const QRegularExpression neighbours(
            u"(\\w+)?[^\\w]*"_s + zk::ComprehensionCheck::Gap + u"[^\\w]*(\\w+)?"_s,
            QRegularExpression::UseUnicodePropertiesOption);
        const QRegularExpressionMatch m = neighbours.match(q.prompt.toLower());
        int best = 0;
        qint64 bestScore = -1;
        for (int i = 0; i < q.options.size(); ++i) {
            const QString o = q.options.at(i).toLower();
            qint64 score = 0;
            if (m.hasMatch() && !m.captured(1).isEmpty())
                score += pairs.value(m.captured(1) + u' ' + o);
            if (m.hasMatch() && !m.captured(2).isEmpty())
                score += pairs.value(o + u' ' + m.captured(2));
            score = score * 1'000'000 + words.value(o);
            if (score > bestScore) {
                bestScore = score;
                best = i;
            }
        }
        return best;
    }
    int frequent(const zk::Question &q) const {
        int best = 0;
        for (int i = 1; i < q.options.size(); ++i)
            if (words.value(q.options.at(i).toLower()) > words.value(q.options.at(best).toLower()))
                best = i;
        return best;
    }
};

void guessingBaseline() {
    const QString russian = ownText("data/sample.txt") + u"\n"_s + helpText();
    const QString english = ownText("README.md") + u"\n"_s + ownText("docs/commands.md");
    const struct {
        const char *name;
        QStringList lines;
    } books[] = {
        {"inflected stems of our prose", inflectedBook(russian, 1'000'000, 11)},
        {"chain over our Russian prose", chainBook(russian, 1'000'000, 12)},
        {"chain over our English prose", chainBook(english, 1'000'000, 13)},
    };
    int totalGaps = 0, totalCooccurring = 0, totalFrequent = 0, checks = 0;
    for (int b = 0; b < 3; ++b) {
        const QStringList &lines = books[b].lines;
        const zk::CheckDocument doc(lines);
        Guesser all;
        for (const QString &l : lines)
            all.count(l, 1);
        QRandomGenerator rng(100 + b);
        int gaps = 0, cooccurring = 0, frequent = 0;
        const int wanted = b < 2 ? 167 : 166;
        for (int c = 0; c < wanted; ++c) {
            const auto [first, end] = middleSpan(lines, 300 + int(rng.bounded(2700)),
                                                 int(rng.bounded(int(lines.size()) - 400)));
            const zk::Check check = zk::ComprehensionCheck::build(doc, first, end, rng.generate());
            ++checks;
            Guesser g = all;
            for (int l = first; l < end; ++l)
                g.count(lines.at(l), -1);
            for (const zk::Question &q : check.questions) {
                if (q.kind != zk::Question::Kind::Gap)
                    continue;
                ++gaps;
                cooccurring += g.guess(q) == q.answer;
                frequent += g.frequent(q) == q.answer;
            }
        }
        std::printf("%-30s %4d gap questions: by neighbours %5.1f %%, by frequency %5.1f %%\n",
                    books[b].name, gaps, 100.0 * cooccurring / std::max(gaps, 1),
                    100.0 * frequent / std::max(gaps, 1));
        totalGaps += gaps;
        totalCooccurring += cooccurring;
        totalFrequent += frequent;
    }
    std::printf("%d checks, %d gap questions: by neighbours %.1f %%, by frequency %.1f %%\n",
                checks, totalGaps, 100.0 * totalCooccurring / std::max(totalGaps, 1),
                100.0 * totalFrequent / std::max(totalGaps, 1));
}

} // namespace

int main(int argc, char **argv) {
    guessingBaseline();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
