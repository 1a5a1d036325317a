#pragma once

#include <QStringView>

namespace zk {

// The Unicode character a code 0x20..0xFF of the Symbol font shows; 0 for none. Word keeps such
// characters as U+F020..U+F0FF, private code points that no other font shows.
char16_t symbolFontChar(char16_t code);

// The same for the few Wingdings characters that have a Unicode twin and turn up in documents.
char16_t wingdingsChar(char16_t code);

// The fonts whose characters Word and LibreOffice keep as private code points.
enum class SymbolFont { Plain, Symbol, Wingdings };

SymbolFont symbolFontNamed(QStringView family);

// A private character of a symbol font as the character it shows; 0 to drop it.
char16_t mappedSymbol(char16_t u, SymbolFont font);

} // namespace zk
