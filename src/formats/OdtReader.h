#pragma once

#include "formats/DocumentConverter.h"
#include "formats/ReadBudget.h"

#include <QByteArray>

namespace zk {

// The text of an OpenDocument text (.odt), the form LibreOffice gives every office document
// it converts. Footnotes and endnotes follow the paragraph that cites them, as "[1] text",
// with "[1]" left where they are cited. Tracked changes read as accepted: deletions are gone,
// insertions stay. Characters of the Symbol font come out as the Unicode characters they show.
// Items of numbered and bulleted lists, and headings the outline numbers, start with their
// label as it shows on the page ("1.", "а)", "1.2.", "•") and a space.
ConversionResult readOdt(const QString &path, ReadBudget budget = ReadBudget(),
                         const ConversionProgress &progress = {});

// The same, from the document's content.xml and styles.xml.
ConversionResult readOdtContent(const QByteArray &contentXml, const QByteArray &stylesXml = {});

} // namespace zk
