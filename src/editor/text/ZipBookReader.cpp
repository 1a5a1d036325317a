#include "editor/text/BookReaders.h"
#include "editor/text/ParagraphBuilder.h"
#include "editor/text/ZipEntries.h"

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

#include <QDir>
#include <QHash>
#include <QSet>
#include <QUrl>
#include <QXmlStreamReader>

namespace zk {

std::optional<QByteArray> readZipEntry(QuaZip &zip, const QString &name, ReadBudget &budget) {
    if (!zip.setCurrentFile(name, QuaZip::csSensitive) &&
        !zip.setCurrentFile(name, QuaZip::csInsensitive))
        return std::nullopt;
    QuaZipFile file(&zip);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    std::optional<QByteArray> data = budget.readAll(file);
    if (!data)
        return std::nullopt;
    // Closing checks the CRC of what was read.
    file.close();
    if (file.getZipError() != UNZ_OK)
        return std::nullopt;
    return data;
}

std::optional<QString> epubRootFile(const QByteArray &containerXml) {
    QXmlStreamReader xml(containerXml);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"rootfile") {
            const QString path = xml.attributes().value(QLatin1StringView("full-path")).toString();
            if (!path.isEmpty())
                return path;
        }
    }
    return std::nullopt;
}

namespace {

bool isReadableMediaType(QStringView type) {
    return type.isEmpty() || type == u"application/xhtml+xml" || type == u"text/html";
}

// Paths inside the archive of the spine's documents, in reading order.
std::optional<QStringList> spinePaths(const QByteArray &opf, const QString &opfPath) {
    struct Item {
        QString href;
        QString mediaType;
    };
    QHash<QString, Item> manifest;
    QStringList order;

    QXmlStreamReader xml(opf);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes attributes = xml.attributes();
        if (xml.name() == u"item") {
            manifest.insert(attributes.value(QLatin1StringView("id")).toString(),
                            {attributes.value(QLatin1StringView("href")).toString(),
                             attributes.value(QLatin1StringView("media-type")).toString()});
        } else if (xml.name() == u"itemref" &&
                   attributes.value(QLatin1StringView("linear")) != u"no") {
            order.append(attributes.value(QLatin1StringView("idref")).toString());
        }
    }
    if (xml.hasError() || order.isEmpty())
        return std::nullopt;

    const qsizetype slash = opfPath.lastIndexOf(QLatin1Char('/'));
    const QString base = slash < 0 ? QString() : opfPath.left(slash + 1);
    QStringList paths;
    // A chapter is read once, however often the spine names it.
    QSet<QString> seen;
    for (const QString &id : std::as_const(order)) {
        const auto item = manifest.constFind(id);
        if (item == manifest.cend())
            return std::nullopt;
        if (!isReadableMediaType(item->mediaType))
            continue;
        QString href = item->href.section(QLatin1Char('#'), 0, 0);
        href = QUrl::fromPercentEncoding(href.toUtf8());
        if (href.isEmpty())
            return std::nullopt;
        const QString path = QDir::cleanPath(base + href);
        if (!seen.contains(path)) {
            seen.insert(path);
            paths.append(path);
        }
    }
    return paths;
}

} // namespace

std::optional<QString> readEpub(const QString &path, ReadBudget budget) {
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdUnzip))
        return std::nullopt;

    const std::optional<QByteArray> container =
        readZipEntry(zip, QStringLiteral("META-INF/container.xml"), budget);
    if (!container)
        return std::nullopt;
    const std::optional<QString> opfPath = epubRootFile(*container);
    if (!opfPath)
        return std::nullopt;
    const std::optional<QByteArray> opf = readZipEntry(zip, *opfPath, budget);
    if (!opf)
        return std::nullopt;
    const std::optional<QStringList> parts = spinePaths(*opf, *opfPath);
    if (!parts)
        return std::nullopt;

    QString text;
    for (const QString &part : *parts) {
        const std::optional<QByteArray> bytes = readZipEntry(zip, part, budget);
        if (!bytes)
            return std::nullopt;
        const QString partText = readHtml(*bytes);
        if (partText.isEmpty())
            continue;
        if (!budget.spendChars(partText.size() + 1))
            return std::nullopt;
        if (!text.isEmpty())
            text.append(QLatin1Char('\n'));
        text.append(partText);
    }
    return text;
}

std::optional<QByteArray> zippedFb2Bytes(const QString &path, ReadBudget &budget) {
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdUnzip))
        return std::nullopt;
    for (const QString &name : zip.getFileNameList()) {
        if (name.endsWith(u".fb2", Qt::CaseInsensitive))
            return readZipEntry(zip, name, budget);
    }
    return std::nullopt;
}

std::optional<QString> readZippedFb2(const QString &path, ReadBudget budget) {
    const std::optional<QByteArray> bytes = zippedFb2Bytes(path, budget);
    return bytes ? readFb2(*bytes, budget) : std::nullopt;
}

} // namespace zk
