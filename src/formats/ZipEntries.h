#pragma once

#include "formats/ReadBudget.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

class QuaZip;

namespace zk {

class BookArchive;

// One entry of an open archive, checked against its CRC and paid for from the
// budget; nullopt when it is missing, damaged or more than the budget holds.
std::optional<QByteArray> readZipEntry(QuaZip &zip, const QString &name, ReadBudget &budget);

// The package document named by an EPUB's META-INF/container.xml.
std::optional<QString> epubRootFile(const QByteArray &containerXml);

// The .fb2 files inside an archive, in the order it holds them.
QStringList fb2Entries(const BookArchive &archive);

// Entry names as a reader knows them: the file name, with its folder when another entry has
// the same one.
QStringList entryLabels(const QStringList &entries);

// The bytes of the first .fb2 file inside a zip archive.
std::optional<QByteArray> zippedFb2Bytes(const QString &path, ReadBudget &budget);

} // namespace zk
