#pragma once

#include <QStringView>

namespace zk {

// Pronouns, prepositions, conjunctions, particles and the commonest verbs of Russian
// and English: words a question about a text should not hinge on.
class FunctionWords final {
public:
    // `word` in lower case.
    static bool contains(QStringView word);
};

} // namespace zk
