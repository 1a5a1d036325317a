#pragma once

#include "formats/ReadBudget.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace zk {

// The entries of a zip archive (EPUB, zipped FB2, ODT), read from its central directory when it
// has one. An archive cut short has none: its entries are then found one after another from
// their local headers, as far as they go, and the entry cut off gives what was stored of it.
class BookArchive {
public:
    // Null when the file cannot be read or holds not one entry.
    static std::unique_ptr<BookArchive> open(const QString &path, ReadBudget &budget);

    BookArchive(const BookArchive &) = delete;
    BookArchive &operator=(const BookArchive &) = delete;
    virtual ~BookArchive();

    // Entry names in the order the archive holds them.
    const QStringList &names() const { return m_names; }
    // The name as the archive spells it, matched exactly or else ignoring letter case.
    std::optional<QString> find(const QString &name) const;

    // The unpacked bytes, paid for from the budget; nullopt when the entry is missing, fails
    // its check or runs out of budget.
    virtual std::optional<QByteArray> read(const QString &name, ReadBudget &budget) = 0;

protected:
    BookArchive() = default;
    QStringList m_names;
};

} // namespace zk
