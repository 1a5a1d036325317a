#pragma once

#include "formats/DocumentConverter.h"
#include "formats/ReadBudget.h"

#include <QByteArray>

namespace zk {

// The text of a Word document (.docx, .docm, .dotx), transitional or strict. Paragraphs keep
// the labels of their lists ("1.", "а)", "•"); footnotes and endnotes follow the paragraph that
// cites them, as "[1] text"; tracked changes read as accepted; fields show their result; text
// boxes come once, without their fallback copies; headers and footers are left out. Damaged
// when the package holds no main document we can read.
ConversionResult readDocx(const QString &path, ReadBudget budget = ReadBudget(),
                          const ConversionProgress &progress = {});

// The parts of a package the text is made of; all but the document may be empty.
struct DocxParts {
    QByteArray document;
    QByteArray footnotes;
    QByteArray endnotes;
    QByteArray numbering;
    QByteArray styles;
};

ConversionResult readDocxParts(const DocxParts &parts);

} // namespace zk
