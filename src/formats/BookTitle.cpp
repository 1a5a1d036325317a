#include "formats/BookTitle.h"
#include "formats/ZipEntries.h"

#include <quazip/quazip.h>

#include <QFile>
#include <QXmlStreamReader>

namespace zk {

namespace {

// The description sits at the top of a FictionBook; its first megabyte holds it.
constexpr qint64 kFb2Head = 1024 * 1024;

QString elementText(QXmlStreamReader &xml) {
    return xml.readElementText(QXmlStreamReader::IncludeChildElements).simplified();
}

QString fb2Title(const QByteArray &bytes) {
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"book-title")
            return elementText(xml);
        if (xml.name() == u"body")
            break;
    }
    return {};
}

QString epubTitle(const QString &path) {
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdUnzip))
        return {};
    ReadBudget budget;
    const auto container = readZipEntry(zip, QStringLiteral("META-INF/container.xml"), budget);
    const auto opfPath = container ? epubRootFile(*container) : std::nullopt;
    const auto opf = opfPath ? readZipEntry(zip, *opfPath, budget) : std::nullopt;
    if (!opf)
        return {};
    QXmlStreamReader xml(*opf);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"title" && xml.namespaceUri() == u"http://purl.org/dc/elements/1.1/")
            return elementText(xml);
        if (xml.name() == u"manifest")
            break;
    }
    return {};
}

} // namespace

QString bookTitle(const QString &path) {
    if (path.endsWith(u".fb2", Qt::CaseInsensitive)) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? fb2Title(file.read(kFb2Head)) : QString();
    }
    if (path.endsWith(u".fb2.zip", Qt::CaseInsensitive)) {
        ReadBudget budget;
        const std::optional<QByteArray> bytes = zippedFb2Bytes(path, budget);
        return bytes ? fb2Title(*bytes) : QString();
    }
    if (path.endsWith(u".epub", Qt::CaseInsensitive))
        return epubTitle(path);
    return {};
}

} // namespace zk
