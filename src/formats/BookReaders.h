#pragma once

#include "formats/ReadBudget.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace zk {

// Readers of the book formats the program opens without an external converter.
// Each returns one paragraph per line, lines separated by "\n", blank
// paragraphs dropped; nullopt means the file is damaged, not of that kind, or
// costs more than the budget of one document. `damaged`, when given, tells whether
// part of the book was lost (a file cut short, a chapter that cannot be read).

// Tolerant: any bytes give some text. The character set comes from a
// byte-order mark, a <meta> or XML declaration, or the plain-text rules; for an EPUB's XHTML
// (`xhtml`) UTF-8 is the rule instead, with stray bytes as U+FFFD.
QString readHtml(const QByteArray &bytes, bool xhtml = false);

// The main bodies of a FictionBook; notes bodies, note references, the
// description and embedded pictures are left out.
std::optional<QString> readFb2(const QByteArray &bytes, ReadBudget budget = ReadBudget(),
                               bool *damaged = nullptr);

// The spine of an EPUB in reading order, each part read as HTML.
std::optional<QString> readEpub(const QString &path, ReadBudget budget = ReadBudget(),
                                bool *damaged = nullptr);

// The first .fb2 file inside a zip archive (the common "book.fb2.zip").
std::optional<QString> readZippedFb2(const QString &path, ReadBudget budget = ReadBudget(),
                                     bool *damaged = nullptr);

} // namespace zk
