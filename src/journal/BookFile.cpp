#include "journal/BookFile.h"

#include "formats/BookTitle.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

namespace zk {

std::optional<BookFile> BookFile::inspect(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray head = file.read(HashedBytes);
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    const QFileInfo info(path);
    BookFile book;
    book.path = info.absoluteFilePath();
    book.size = file.size();
    book.hash =
        QString::fromLatin1(QCryptographicHash::hash(head, QCryptographicHash::Sha256).toHex());
    book.title = bookTitle(path);
    if (book.title.isEmpty())
        book.title = info.fileName();
    return book;
}

} // namespace zk
