#pragma once

#include "editor/text/DocumentConverter.h"

#include <memory>

namespace zk {

// The converter the program uses: books and web pages (.fb2, .fb2.zip, .epub,
// .htm, .html, .xhtml, any letter case) are read natively, fast and without
// a child process; every other document goes to the wrapped converter.
class ChainedConverter final : public DocumentConverter {
public:
    explicit ChainedConverter(std::unique_ptr<DocumentConverter> fallback);

    static bool readsNatively(const QString &path);

    std::optional<QString> convert(const QString &path) override;

private:
    std::unique_ptr<DocumentConverter> m_fallback;
};

} // namespace zk
