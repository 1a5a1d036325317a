#include "journal/BookFile.h"

#include "formats/BookTitle.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

namespace zk {

std::optional<BookFile> BookFile::inspect(const QString &path, const QByteArray &systemPath) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray head = file.read(HashedBytes);
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    const QFileInfo info(path);
    BookFile book;
    book.path = systemPath.isEmpty() ? QFile::encodeName(info.absoluteFilePath()) : systemPath;
    book.size = file.size();
    book.hash =
        QString::fromLatin1(QCryptographicHash::hash(head, QCryptographicHash::Sha256).toHex());
    book.title = cleanTitle(bookTitle(path));
    if (book.title.isEmpty())
        book.title = cleanTitle(info.fileName());
    return book;
}

QString BookFile::cleanTitle(QStringView title) {
    QString clean;
    clean.reserve(std::min<qsizetype>(title.size(), MaxTitle));
    bool blank = false;
    for (qsizetype i = 0; i < title.size() && clean.size() < MaxTitle; ++i) {
        const QChar c = title[i];
        const char16_t u = c.unicode();
        // Embeddings, overrides and isolates would turn the rest of a menu line around.
        const bool direction = (u >= 0x202a && u <= 0x202e) || (u >= 0x2066 && u <= 0x2069) ||
                               u == 0x200e || u == 0x200f || u == 0x061c;
        if (direction)
            continue;
        if (c.isSpace() || c.category() == QChar::Other_Control) {
            blank = true;
            continue;
        }
        if (blank && !clean.isEmpty())
            clean += QLatin1Char(' ');
        blank = false;
        clean += c;
    }
    if (!clean.isEmpty() && clean.back().isHighSurrogate())
        clean.chop(1);
    return clean;
}

} // namespace zk
