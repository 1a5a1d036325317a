#include "editor/text/ChainedConverter.h"
#include "editor/text/BookReaders.h"

#include <QFile>

namespace zk {

namespace {

enum class Kind { Other, Fb2, ZippedFb2, Epub, Html };

Kind kindOf(const QString &path) {
    const auto has = [&path](QStringView suffix) {
        return path.endsWith(suffix, Qt::CaseInsensitive);
    };
    if (has(u".fb2"))
        return Kind::Fb2;
    if (has(u".fb2.zip"))
        return Kind::ZippedFb2;
    if (has(u".epub"))
        return Kind::Epub;
    if (has(u".htm") || has(u".html") || has(u".xhtml"))
        return Kind::Html;
    return Kind::Other;
}

std::optional<QByteArray> readFile(const QString &path, ReadBudget &budget) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return budget.readAll(file);
}

} // namespace

ChainedConverter::ChainedConverter(std::unique_ptr<DocumentConverter> fallback)
    : m_fallback(std::move(fallback)) {}

bool ChainedConverter::readsNatively(const QString &path) {
    return kindOf(path) != Kind::Other;
}

std::optional<QString> ChainedConverter::convert(const QString &path) {
    ReadBudget budget;
    switch (kindOf(path)) {
    case Kind::Fb2:
        if (const auto bytes = readFile(path, budget))
            return readFb2(*bytes, budget);
        return std::nullopt;
    case Kind::Html:
        if (const auto bytes = readFile(path, budget)) {
            QString text = readHtml(*bytes);
            if (budget.spendChars(text.size()))
                return text;
        }
        return std::nullopt;
    case Kind::ZippedFb2:
        return readZippedFb2(path);
    case Kind::Epub:
        return readEpub(path);
    case Kind::Other:
        break;
    }
    if (!m_fallback)
        return std::nullopt;
    return m_fallback->convert(path);
}

} // namespace zk
