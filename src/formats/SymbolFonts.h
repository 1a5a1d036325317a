#pragma once

namespace zk {

// The Unicode character a code 0x20..0xFF of the Symbol font shows; 0 for none. Word keeps such
// characters as U+F020..U+F0FF, private code points that no other font shows.
char16_t symbolFontChar(char16_t code);

// The same for the few Wingdings characters that have a Unicode twin and turn up in documents.
char16_t wingdingsChar(char16_t code);

} // namespace zk
