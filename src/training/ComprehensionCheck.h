#pragma once

#include "training/SentenceSplitter.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace zk {

// The whole text in the editor, for the checks that a question cannot be answered
// or misread from another place of the document.
class CheckDocument final {
public:
    explicit CheckDocument(QStringList lines);

    const QStringList &lines() const { return m_lines; }
    // Lines are joined by one space.
    const QString &text() const { return m_text; }
    qsizetype offset(LinePosition p) const { return m_starts.at(p.line) + p.column; }
    bool contains(QStringView sentence) const;

private:
    QStringList m_lines;
    QString m_text;
    QList<qsizetype> m_starts;
};

struct Question {
    enum class Kind { Gap, WasInText };
    Kind kind = Kind::Gap;
    // The sentence with a gap, or the sentence to judge.
    QString prompt;
    // Four words, or "Да" and "Нет".
    QStringList options;
    int answer = 0;
    // The sentence as it was shown, and where.
    QString original;
    LinePosition where;
    // The missing word, or the word of the shown sentence that was changed.
    QString word;

    // What to show for a missed question.
    QString rightAnswerText() const;
};

struct Check {
    enum class Outcome { Built, TooShort, NoSentences };
    Outcome outcome = Outcome::TooShort;
    QList<Question> questions;
    int spanWords = 0;
};

// Builds the questions about the lines [firstLine, endLine) just read. The same
// document, span and seed always give the same check.
class ComprehensionCheck final {
public:
    static constexpr int MinimumWords = 150;
    static constexpr int ShortSpanWords = 400;
    static constexpr int DefaultQuestions = 5;
    static constexpr int ShortQuestions = 3;
    static constexpr int FewestQuestions = 2;
    static constexpr int MinimumSentenceWords = 6;
    static constexpr int MaximumSentenceWords = 40;
    static constexpr int ContentLetters = 5;
    static inline const QString Gap = QStringLiteral("________");

    static Check build(const CheckDocument &document, int firstLine, int endLine, quint32 seed);
    static int wordCount(QStringView text);
};

// The answers of one check.
struct CheckScore {
    int asked = 0;
    int right = 0;

    int percent() const { return asked > 0 ? (right * 100 + asked / 2) / asked : 0; }
    double share() const { return asked > 0 ? double(right) / asked : 0; }
    // Real speed times the share understood.
    double effective(double realSpeed) const { return realSpeed * share(); }
    // "4 из 5 (80 %)"
    QString text() const;
    bool operator==(const CheckScore &) const = default;
};

} // namespace zk
