#pragma once

#include <QString>

namespace zk {

// The title a book gives itself: <book-title> of a FictionBook (also zipped),
// the first <dc:title> of an EPUB. Empty for other files and when there is none.
QString bookTitle(const QString &path);

} // namespace zk
