#pragma once

#include <QString>

#include <optional>

namespace zk {

// Turns a document of any supported kind into plain text: one paragraph per
// line, lines separated by "\n". nullopt on any failure; the caller shows the
// conversion message.
class DocumentConverter {
public:
    DocumentConverter() = default;
    DocumentConverter(const DocumentConverter &) = delete;
    DocumentConverter &operator=(const DocumentConverter &) = delete;
    virtual ~DocumentConverter();

    virtual std::optional<QString> convert(const QString &path) = 0;
};

} // namespace zk
