#include "training/ComprehensionCheck.h"

#include "training/FunctionWords.h"

#include <QHash>
#include <QRandomGenerator>
#include <QSet>

#include <algorithm>
#include <optional>

namespace zk {

using namespace Qt::StringLiterals;

namespace {

struct Token {
    qsizetype start = 0;
    qsizetype end = 0;
    int letters = 0;
    bool onlyLetters = true;
};

bool isWordChar(QChar c) {
    return c.isLetterOrNumber() || c.isMark();
}

// Runs of letters and digits; a hyphen or an apostrophe between letters joins them.
QList<Token> tokenize(QStringView s) {
    QList<Token> out;
    qsizetype i = 0;
    while (i < s.size()) {
        if (!isWordChar(s.at(i))) {
            ++i;
            continue;
        }
        Token t{i, i, 0, true};
        while (i < s.size()) {
            const QChar c = s.at(i);
            if (isWordChar(c)) {
                t.letters += c.isLetter();
                t.onlyLetters = t.onlyLetters && !c.isDigit();
                ++i;
            } else if ((c == u'-' || c == u'\'' || c == u'’') && i + 1 < s.size() &&
                       s.at(i + 1).isLetter()) {
                t.onlyLetters = false;
                ++i;
            } else {
                break;
            }
        }
        t.end = i;
        out.append(t);
    }
    return out;
}

// A word a question may hinge on: long, all lower case (names would give themselves
// away among lower-case options), not a function word.
bool isContentWord(QStringView word, const Token &t) {
    if (!t.onlyLetters || t.letters < ComprehensionCheck::ContentLetters)
        return false;
    const QString lower = word.toString().toLower();
    return lower == word && !FunctionWords::contains(lower);
}

struct Sentence {
    QString text; // as in the document, lines joined by a space
    LinePosition where;
    QList<Token> tokens;
    QSet<QString> words; // lower case
};

class Builder {
public:
    Builder(const CheckDocument &document, quint32 seed) : m_doc(document), m_rng(seed) {}

    Check run(int firstLine, int endLine);

private:
    struct Pick {
        qsizetype token = 0;
        QString word;
        QStringList replacements;
    };
    bool gapQuestion(const Sentence &s, Question &q);
    bool changedQuestion(const Sentence &s, bool keep, Question &q);
    std::optional<Pick> pick(const Sentence &s, int wanted, bool gap);
    bool neighboursGiveAway(const Sentence &s, qsizetype index);
    QStringList replacementsFor(const Sentence &s, const Token &t, int wanted);
    QString withWord(const Sentence &s, const Token &t, const QString &word) const {
        return s.text.left(t.start) + word + s.text.mid(t.end);
    }
    template <typename T> void shuffle(QList<T> &list) {
        for (qsizetype i = list.size() - 1; i > 0; --i)
            list.swapItemsAt(i, m_rng.bounded(int(i + 1)));
    }

    const CheckDocument &m_doc;
    QRandomGenerator m_rng;
    // Content words of the span, once per occurrence: distractors then come as often
    // as the words a gap falls on, and a guess by frequency gains nothing.
    QStringList m_pool;
    qsizetype m_spanFrom = 0;
    qsizetype m_spanTo = 0;
    // Searches of the document for a gap word's neighbours left in this check.
    int m_neighbourBudget = 16;
};

// Whether the gap word's neighbours, taken with it, occur outside the read span: one
// who never read it could then fill the gap from the rest of the book.
bool Builder::neighboursGiveAway(const Sentence &s, qsizetype index) {
    const QStringView text = m_doc.text();
    const QStringView before = text.left(m_spanFrom);
    const QStringView after = text.mid(std::min(m_spanTo, text.size()));
    const Token &t = s.tokens.at(index);
    QList<QStringView> phrases{QStringView(s.text).mid(s.tokens.at(index - 1).start,
                                                       t.end - s.tokens.at(index - 1).start)};
    if (index + 1 < s.tokens.size())
        phrases.append(QStringView(s.text).mid(t.start, s.tokens.at(index + 1).end - t.start));
    return std::any_of(phrases.cbegin(), phrases.cend(), [&](QStringView p) {
        return before.indexOf(p, 0, Qt::CaseInsensitive) >= 0 ||
               after.indexOf(p, 0, Qt::CaseInsensitive) >= 0;
    });
}

std::optional<Builder::Pick> Builder::pick(const Sentence &s, int wanted, bool gap) {
    QList<qsizetype> candidates;
    for (qsizetype i = 1; i < s.tokens.size(); ++i) {
        const Token &t = s.tokens.at(i);
        if (isContentWord(QStringView(s.text).mid(t.start, t.end - t.start), t))
            candidates.append(i);
    }
    shuffle(candidates);
    for (qsizetype i : candidates) {
        const Token &t = s.tokens.at(i);
        if (gap && (m_neighbourBudget-- <= 0 || neighboursGiveAway(s, i)))
            continue;
        QStringList found = replacementsFor(s, t, wanted);
        if (found.size() == wanted)
            return Pick{i, s.text.mid(t.start, t.end - t.start), found};
    }
    return std::nullopt;
}

QStringList Builder::replacementsFor(const Sentence &s, const Token &t, int wanted) {
    const QString answer = s.text.mid(t.start, t.end - t.start);
    const QString stem = answer.left(4);
    const QStringView ending = QStringView(answer).right(2);
    // Same ending and length within 2 first, then length within 2, then within 3.
    QList<QString> tiers[3];
    for (const QString &w : std::as_const(m_pool)) {
        const qsizetype diff = std::abs(w.size() - answer.size());
        if (diff > 3 || w.left(4) == stem || s.words.contains(w))
            continue;
        tiers[diff > 2 ? 2 : w.endsWith(ending) ? 0 : 1].append(w);
    }
    QStringList chosen;
    QSet<QString> tried;
    for (QList<QString> &tier : tiers) {
        shuffle(tier);
        for (const QString &w : std::as_const(tier)) {
            if (chosen.size() == wanted)
                return chosen;
            if (tried.contains(w))
                continue;
            tried.insert(w);
            const bool sameStem =
                std::any_of(chosen.cbegin(), chosen.cend(),
                            [&](const QString &c) { return c.left(4) == w.left(4); });
            // The changed sentence must not be a sentence of the document.
            if (sameStem || m_doc.contains(withWord(s, t, w)))
                continue;
            chosen.append(w);
        }
    }
    return chosen;
}

bool Builder::gapQuestion(const Sentence &s, Question &q) {
    const std::optional<Pick> p = pick(s, 3, true);
    if (!p)
        return false;
    q.kind = Question::Kind::Gap;
    q.word = p->word;
    q.prompt = withWord(s, s.tokens.at(p->token), ComprehensionCheck::Gap);
    q.options = p->replacements;
    q.answer = int(m_rng.bounded(4));
    q.options.insert(q.answer, p->word);
    return true;
}

bool Builder::changedQuestion(const Sentence &s, bool keep, Question &q) {
    q.kind = Question::Kind::WasInText;
    q.options = {u"Да"_s, u"Нет"_s};
    if (keep) {
        q.prompt = s.text;
        q.answer = 0;
        return true;
    }
    const std::optional<Pick> p = pick(s, 1, false);
    if (!p)
        return false;
    q.word = p->word;
    q.prompt = withWord(s, s.tokens.at(p->token), p->replacements.first());
    q.answer = 1;
    return true;
}

Check Builder::run(int firstLine, int endLine) {
    Check check;
    const QStringList &lines = m_doc.lines();
    firstLine = std::clamp<int>(firstLine, 0, int(lines.size()));
    endLine = std::clamp<int>(endLine, firstLine, int(lines.size()));
    for (int l = firstLine; l < endLine; ++l)
        check.spanWords += ComprehensionCheck::wordCount(lines.at(l));
    if (check.spanWords < ComprehensionCheck::MinimumWords)
        return check;
    check.outcome = Check::Outcome::NoSentences;

    QList<Sentence> sentences;
    m_spanFrom = m_doc.offset({firstLine, 0});
    m_spanTo = m_doc.offset({endLine, 0});
    for (const LineSentence &ls : SentenceSplitter::sentences(lines, firstLine, endLine)) {
        const qsizetype from = m_doc.offset(ls.begin);
        Sentence s;
        s.text = m_doc.text().mid(from, m_doc.offset(ls.end) - from);
        s.where = ls.begin;
        s.tokens = tokenize(s.text);
        for (const Token &t : std::as_const(s.tokens)) {
            const QStringView w = QStringView(s.text).mid(t.start, t.end - t.start);
            s.words.insert(w.toString().toLower());
            if (isContentWord(w, t))
                m_pool.append(w.toString());
        }
        const qsizetype n = s.tokens.size();
        if (ls.terminated && n >= ComprehensionCheck::MinimumSentenceWords &&
            n <= ComprehensionCheck::MaximumSentenceWords)
            sentences.append(s);
    }

    const int wanted = std::min<int>(check.spanWords < ComprehensionCheck::ShortSpanWords
                                         ? ComprehensionCheck::ShortQuestions
                                         : ComprehensionCheck::DefaultQuestions,
                                     int(sentences.size()));
    if (wanted < ComprehensionCheck::FewestQuestions)
        return check;
    // Half of each kind, and half of the second kind true.
    QList<int> kinds; // 0 gap, 1 true sentence, 2 changed sentence
    const int changedKind = wanted / 2;
    for (int i = 0; i < wanted - changedKind; ++i)
        kinds.append(0);
    const int truths =
        changedKind % 2 == 0 ? changedKind / 2 : changedKind / 2 + int(m_rng.bounded(2));
    for (int i = 0; i < changedKind; ++i)
        kinds.append(i < truths ? 1 : 2);
    shuffle(kinds);

    // One question from each of `wanted` equal stretches of the span; a stretch
    // without a fitting sentence gives way to any sentence left.
    QList<bool> used(sentences.size(), false);
    auto tryBuild = [&](qsizetype index, int kind, Question &q) {
        if (used[index])
            return false;
        const bool ok = kind == 0 ? gapQuestion(sentences[index], q)
                                  : changedQuestion(sentences[index], kind == 1, q);
        if (ok) {
            used[index] = true;
            q.original = sentences[index].text;
            q.where = sentences[index].where;
        }
        return ok;
    };
    QList<int> missed;
    QList<std::pair<qsizetype, Question>> built;
    for (int b = 0; b < wanted; ++b) {
        const qsizetype from = sentences.size() * b / wanted;
        const qsizetype to = sentences.size() * (b + 1) / wanted;
        QList<qsizetype> order;
        for (qsizetype i = from; i < to; ++i)
            order.append(i);
        shuffle(order);
        Question q;
        const auto hit = std::find_if(order.cbegin(), order.cend(),
                                      [&](qsizetype i) { return tryBuild(i, kinds[b], q); });
        if (hit != order.cend())
            built.append({*hit, q});
        else
            missed.append(kinds[b]);
    }
    QList<qsizetype> rest;
    for (qsizetype i = 0; i < sentences.size(); ++i)
        rest.append(i);
    shuffle(rest);
    for (int kind : std::as_const(missed)) {
        // A gap no sentence allows becomes a sentence to judge, keeping "Да" and "Нет"
        // about even.
        const auto truths = std::count_if(built.cbegin(), built.cend(), [](const auto &b) {
            return b.second.kind == Question::Kind::WasInText && b.second.answer == 0;
        });
        const auto falses = std::count_if(built.cbegin(), built.cend(), [](const auto &b) {
            return b.second.kind == Question::Kind::WasInText && b.second.answer == 1;
        });
        for (int k : kind == 0 ? QList<int>{0, truths != falses ? 1 + int(truths > falses)
                                                                : 1 + int(m_rng.bounded(2))}
                               : QList<int>{kind}) {
            Question q;
            const auto hit = std::find_if(rest.cbegin(), rest.cend(),
                                          [&](qsizetype i) { return tryBuild(i, k, q); });
            if (hit != rest.cend()) {
                built.append({*hit, q});
                break;
            }
        }
    }
    if (built.size() < ComprehensionCheck::FewestQuestions)
        return check;
    std::sort(built.begin(), built.end(),
              [](const auto &a, const auto &b) { return a.first < b.first; });
    for (const auto &[index, q] : std::as_const(built))
        check.questions.append(q);
    check.outcome = Check::Outcome::Built;
    return check;
}

} // namespace

CheckDocument::CheckDocument(QStringList lines) : m_lines(std::move(lines)) {
    qsizetype size = 0;
    for (const QString &l : std::as_const(m_lines))
        size += l.size() + 1;
    m_text.reserve(size);
    m_starts.reserve(m_lines.size() + 1);
    for (const QString &l : std::as_const(m_lines)) {
        if (!m_starts.isEmpty())
            m_text += u' ';
        m_starts.append(m_text.size());
        m_text += l;
    }
    m_starts.append(m_text.size() + 1);
}

bool CheckDocument::contains(QStringView sentence) const {
    return m_text.indexOf(sentence) >= 0;
}

QString Question::rightAnswerText() const {
    if (kind == Kind::Gap)
        return word;
    if (answer == 0)
        return QStringLiteral("Да");
    return QStringLiteral("Нет: в тексте было «%1»").arg(word);
}

Check ComprehensionCheck::build(const CheckDocument &document, int firstLine, int endLine,
                                quint32 seed) {
    return Builder(document, seed).run(firstLine, endLine);
}

int ComprehensionCheck::wordCount(QStringView text) {
    int n = 0;
    bool inWord = false;
    bool counted = false;
    for (QChar c : text) {
        if (c.isSpace()) {
            inWord = false;
            continue;
        }
        if (!inWord) {
            inWord = true;
            counted = false;
        }
        if (!counted && c.isLetterOrNumber()) {
            ++n;
            counted = true;
        }
    }
    return n;
}

QString CheckScore::text() const {
    return QStringLiteral("%1 из %2 (%3 %)").arg(right).arg(asked).arg(percent());
}

} // namespace zk
