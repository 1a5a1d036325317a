#pragma once

#include "formats/DocumentConverter.h"
#include "formats/ReadBudget.h"

namespace zk {

// The text layer of a PDF, page by page in reading order, its lines joined into paragraphs
// (see PageTextAssembler). Pages without any text make the failure NoTextLayer.
ConversionResult readPdf(const QString &path, ReadBudget budget = ReadBudget(),
                         const ConversionProgress &progress = {});

} // namespace zk
