#pragma once

#include "formats/DocumentConverter.h"
#include "formats/PageTextAssembler.h"
#include "formats/ReadBudget.h"

namespace zk {

// The hidden text of a DjVu document (bundled or indirect), page by page, its lines joined
// into paragraphs; paragraphs the text layer marks are kept. Without hidden text on any page,
// the failure NoTextLayer.
ConversionResult readDjvu(const QString &path, ReadBudget budget = ReadBudget(),
                          const ConversionProgress &progress = {});

// The same text handed to `sink` in pieces while the pages are read.
ConversionResult::Failure readDjvuInPieces(const QString &path, ReadBudget budget,
                                           const ConversionProgress &progress,
                                           const PieceSink &sink);

} // namespace zk
