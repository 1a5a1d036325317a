#pragma once

#include "formats/ReadBudget.h"

#include <QByteArray>
#include <QString>

#include <optional>

class QuaZip;

namespace zk {

// One entry of an open archive, checked against its CRC and paid for from the
// budget; nullopt when it is missing, damaged or more than the budget holds.
std::optional<QByteArray> readZipEntry(QuaZip &zip, const QString &name, ReadBudget &budget);

// The package document named by an EPUB's META-INF/container.xml.
std::optional<QString> epubRootFile(const QByteArray &containerXml);

// The bytes of the first .fb2 file inside a zip archive.
std::optional<QByteArray> zippedFb2Bytes(const QString &path, ReadBudget &budget);

} // namespace zk
