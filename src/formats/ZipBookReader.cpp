#include "formats/BookArchive.h"
#include "formats/BookReaders.h"
#include "formats/ParagraphBuilder.h"
#include "formats/ZipEntries.h"

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

bool isChapterName(const QString &name) {
    return name.endsWith(u".xhtml", Qt::CaseInsensitive) ||
           name.endsWith(u".html", Qt::CaseInsensitive) ||
           name.endsWith(u".htm", Qt::CaseInsensitive);
}

// Paths inside the archive of the spine's documents, in reading order. A reference to an
// item the manifest lacks is passed over; a package that cannot be read gives none.
QStringList spinePaths(const QByteArray &opf, const QString &opfPath) {
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

    const qsizetype slash = opfPath.lastIndexOf(QLatin1Char('/'));
    const QString base = slash < 0 ? QString() : opfPath.left(slash + 1);
    QStringList paths;
    // A chapter is read once, however often the spine names it.
    QSet<QString> seen;
    for (const QString &id : std::as_const(order)) {
        const auto item = manifest.constFind(id);
        if (item == manifest.cend() || !isReadableMediaType(item->mediaType))
            continue;
        QString href = item->href.section(QLatin1Char('#'), 0, 0);
        href = QUrl::fromPercentEncoding(href.toUtf8());
        if (href.isEmpty())
            continue;
        const QString path = QDir::cleanPath(base + href);
        if (!seen.contains(path)) {
            seen.insert(path);
            paths.append(path);
        }
    }
    return paths;
}

// The package document: named by META-INF/container.xml; without it (or when it names
// nothing there), the entry named .opf, or else the XML entry whose root is an OPF package.
std::optional<QString> packagePath(BookArchive &archive, ReadBudget &budget) {
    if (const auto container = archive.read(QStringLiteral("META-INF/container.xml"), budget)) {
        if (const auto named = epubRootFile(*container)) {
            if (const auto stored = archive.find(*named))
                return stored;
        }
    }
    for (const QString &name : archive.names()) {
        if (name.endsWith(u".opf", Qt::CaseInsensitive))
            return name;
    }
    for (const QString &name : archive.names()) {
        if (!name.endsWith(u".xml", Qt::CaseInsensitive))
            continue;
        const auto bytes = archive.read(name, budget);
        QXmlStreamReader xml(bytes.value_or(QByteArray()));
        if (xml.readNextStartElement() && xml.name() == u"package" &&
            xml.namespaceUri() == u"http://www.idpf.org/2007/opf")
            return name;
    }
    return std::nullopt;
}

} // namespace

std::optional<QString> readEpub(const QString &path, ReadBudget budget, bool *damaged) {
    const std::unique_ptr<BookArchive> archive = BookArchive::open(path, budget);
    if (!archive)
        return std::nullopt;

    QStringList parts;
    if (const std::optional<QString> opfPath = packagePath(*archive, budget)) {
        if (const std::optional<QByteArray> opf = archive->read(*opfPath, budget))
            parts = spinePaths(*opf, *opfPath);
    }
    // Without a usable spine the chapters are read in the order the archive holds them.
    if (parts.isEmpty()) {
        for (const QString &name : archive->names()) {
            if (isChapterName(name))
                parts.append(name);
        }
    }

    QString text;
    bool readAny = false;
    bool skipped = false;
    for (const QString &part : std::as_const(parts)) {
        // A damaged or missing chapter is passed over; the rest of the book is still read.
        const std::optional<QByteArray> bytes = archive->read(part, budget);
        if (!bytes) {
            if (budget.bytesLeft() == 0)
                return std::nullopt;
            skipped = true;
            continue;
        }
        readAny = true;
        const QString partText = readHtml(*bytes, true);
        if (partText.isEmpty())
            continue;
        if (!budget.spendChars(partText.size() + 1))
            return std::nullopt;
        if (!text.isEmpty())
            text.append(QLatin1Char('\n'));
        text.append(partText);
    }
    if (!readAny)
        return std::nullopt;
    if (damaged)
        *damaged = skipped;
    return text;
}

QStringList fb2Entries(const BookArchive &archive) {
    QStringList books;
    for (const QString &name : archive.names()) {
        // What a Mac adds beside each file ("__MACOSX/._book.fb2") is no second book.
        const QString file = name.section(QLatin1Char('/'), -1);
        if (file.endsWith(u".fb2", Qt::CaseInsensitive) && !file.startsWith(u"._") &&
            !name.startsWith(u"__MACOSX/"))
            books.append(name);
    }
    return books;
}

QStringList entryLabels(const QStringList &entries) {
    QHash<QString, int> uses;
    QStringList files;
    for (const QString &name : entries) {
        files.append(name.section(QLatin1Char('/'), -1));
        ++uses[files.last().toCaseFolded()];
    }
    for (qsizetype i = 0; i < files.size(); ++i) {
        if (uses.value(files[i].toCaseFolded()) > 1)
            files[i] = entries[i];
    }
    return files;
}

std::optional<QByteArray> zippedFb2Bytes(const QString &path, ReadBudget &budget) {
    const std::unique_ptr<BookArchive> archive = BookArchive::open(path, budget);
    const QStringList books = archive ? fb2Entries(*archive) : QStringList();
    return books.isEmpty() ? std::nullopt : archive->read(books.first(), budget);
}

std::optional<QString> readZippedFb2(const QString &path, ReadBudget budget, bool *damaged) {
    const std::optional<QByteArray> bytes = zippedFb2Bytes(path, budget);
    return bytes ? readFb2(*bytes, budget, damaged) : std::nullopt;
}

} // namespace zk
