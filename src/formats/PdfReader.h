#pragma once

#include "formats/DocumentConverter.h"
#include "formats/PageTextAssembler.h"
#include "formats/ReadBudget.h"

namespace zk {

// The text layer of a PDF, page by page in reading order, its lines joined into paragraphs
// (see PageTextAssembler). Pages without any text make the failure NoTextLayer.
ConversionResult readPdf(const QString &path, ReadBudget budget = ReadBudget(),
                         const ConversionProgress &progress = {});

// The same text handed to `sink` in pieces while the pages are read, the first within moments
// of opening a book of thousands of pages.
ConversionResult::Failure readPdfInPieces(const QString &path, ReadBudget budget,
                                          const ConversionProgress &progress,
                                          const PieceSink &sink);

} // namespace zk
