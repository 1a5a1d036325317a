#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>

namespace zk {

// The main bodies of a FictionBook that is not well-formed, read as tolerantly as a web page:
// a bare "&", an entity the book never declared, tags closed in the wrong order or never, a
// file cut short. Everything readable is kept; nullopt when no body paragraph is left.
std::optional<QString> recoverFb2(const QByteArray &bytes);

// An element that holds paragraphs or is one, by its name without a namespace prefix; each
// of its tags ends the paragraph before it.
bool isFb2BlockElement(QStringView name);

} // namespace zk
