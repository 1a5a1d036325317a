#include "training/SentenceSplitter.h"

#include <algorithm>

namespace zk {

using namespace Qt::StringLiterals;

namespace {

bool isClosing(QChar c) {
    return c == u'»' || c == u'"' || c == u'“' || c == u'”' || c == u')' || c == u'\'' || c == u'’';
}

bool isOpening(QChar c) {
    return c == u'«' || c == u'"' || c == u'„' || c == u'“' || c == u'(';
}

bool isDash(QChar c) {
    return c == u'—' || c == u'–' || c == u'-';
}

bool isBlank(QChar c) {
    return c.unicode() <= 32 || c.isSpace();
}

// A capital, a dash or an opening quote before a capital: what may begin a sentence.
bool beginsSentence(QStringView text, qsizetype i) {
    const QChar c = text.at(i);
    if (c.isUpper() || isDash(c) || c.isDigit())
        return true;
    return isOpening(c) && i + 1 < text.size() && (text.at(i + 1).isUpper() || isDash(c));
}

qsizetype skipBlanks(QStringView text, qsizetype i, bool *blankLine = nullptr) {
    int breaks = 0;
    while (i < text.size() && isBlank(text.at(i))) {
        breaks += text.at(i) == u'\n';
        ++i;
    }
    if (blankLine)
        *blankLine = breaks >= 2;
    return i;
}

qsizetype trimEnd(QStringView text, qsizetype start, qsizetype end) {
    while (end > start && isBlank(text.at(end - 1)))
        --end;
    return end;
}

} // namespace

bool SentenceSplitter::isTerminator(QChar c) {
    return c == u'.' || c == u'!' || c == u'?' || c == u'…';
}

bool SentenceSplitter::isAbbreviationPoint(QStringView text, qsizetype dot) {
    if (text.at(dot) != u'.')
        return false;
    qsizetype b = dot;
    while (b > 0 && text.at(b - 1).isLetter())
        --b;
    const QString word = text.mid(b, dot - b).toString();
    if (word.isEmpty())
        return false;
    // "А. С. Пушкин": a lone capital is an initial.
    if (word.size() == 1 && word.at(0).isUpper())
        return true;
    const QString w = word.toLower();
    static const QStringList kAlone = {u"г"_s,   u"гг"_s, u"им"_s, u"стр"_s,
                                       u"рис"_s, u"см"_s, u"т"_s};
    if (kAlone.contains(w))
        return true;
    // т. е., т. д., т. п. (also without the space)
    if (w == u"е"_s || w == u"д"_s || w == u"п"_s) {
        qsizetype p = b;
        while (p > 0 && text.at(p - 1) == u' ')
            --p;
        return p >= 2 && text.at(p - 1) == u'.' && text.at(p - 2).toLower() == u'т' &&
               (p == 2 || !text.at(p - 3).isLetter());
    }
    return false;
}

QList<SentenceBounds> SentenceSplitter::sentences(QStringView text) {
    QList<SentenceBounds> out;
    qsizetype start = skipBlanks(text, 0);
    qsizetype i = start;
    auto close = [&](qsizetype end, bool terminated, qsizetype next) {
        end = trimEnd(text, start, end);
        if (end > start)
            out.append({start, end, terminated});
        start = next;
    };
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (c == u'\n') {
            bool blankLine = false;
            const qsizetype next = skipBlanks(text, i, &blankLine);
            if (blankLine || next >= text.size()) {
                close(i, false, next);
                i = next;
                continue;
            }
            // A line that ends without a point before a capital: a heading.
            const qsizetype last = trimEnd(text, start, i);
            if (last > start && !isTerminator(text.at(last - 1)) && !isClosing(text.at(last - 1)) &&
                beginsSentence(text, next)) {
                close(i, false, next);
                i = next;
                continue;
            }
            ++i;
            continue;
        }
        if (!isTerminator(c)) {
            ++i;
            continue;
        }
        qsizetype e = i + 1;
        while (e < text.size() && (isTerminator(text.at(e)) || isClosing(text.at(e))))
            ++e;
        if (e >= text.size()) {
            close(e, true, e);
            i = e;
            break;
        }
        if (!isBlank(text.at(e))) {
            i = e;
            continue;
        }
        bool blankLine = false;
        const qsizetype next = skipBlanks(text, e, &blankLine);
        if (next < text.size() && (blankLine || beginsSentence(text, next)) &&
            !(e == i + 1 && isAbbreviationPoint(text, i))) {
            close(e, true, next);
            i = next;
            continue;
        }
        i = e;
    }
    if (start < text.size()) {
        const qsizetype end = trimEnd(text, start, text.size());
        if (end > start)
            out.append({start, end, isTerminator(text.at(end - 1)) || isClosing(text.at(end - 1))});
    }
    return out;
}

QList<LineSentence> SentenceSplitter::sentences(const QStringList &lines, int first, int end) {
    first = std::max(first, 0);
    end = std::min<int>(end, int(lines.size()));
    QString joined;
    QList<qsizetype> starts;
    for (int l = first; l < end; ++l) {
        if (l > first)
            joined += u'\n';
        starts.append(joined.size());
        joined += lines.at(l);
    }
    auto position = [&](qsizetype offset) {
        const auto it = std::upper_bound(starts.cbegin(), starts.cend(), offset);
        const int index = int(it - starts.cbegin()) - 1;
        return LinePosition{first + index, offset - starts.at(index)};
    };
    QList<LineSentence> out;
    for (const SentenceBounds &b : sentences(joined)) {
        LineSentence s{position(b.start), position(b.end - 1), b.terminated};
        ++s.end.column;
        out.append(s);
    }
    return out;
}

} // namespace zk
