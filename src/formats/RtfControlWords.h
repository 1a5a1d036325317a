#pragma once

#include <QByteArray>

#include <string_view>

namespace zk::rtf {

// The control words the RTF reader acts on, grouped by what they do.
enum class Kw {
    Par,
    Char,
    Pard,
    Plain,
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    Strike,
    Hidden,
    Vertical,
    FontSize,
    Font,
    Foreground,
    Background,
    Red,
    Green,
    Blue,
    Charset,
    FontCodepage,
    AnsiCodepage,
    CharacterSet,
    DefaultFont,
    Unicode,
    UnicodeSkip,
    Bin,
    Align,
    LeftIndent,
    RightIndent,
    FirstIndent,
    SpaceBefore,
    SpaceAfter,
    FontTable,
    ColorTable,
    Skip,
    Note,    // a footnote, or an endnote with \ftnalt
    Endnote, // \ftnalt
};

struct Keyword {
    Kw kw;
    int arg = 0; // the character, alignment or code page the word stands for
};

// What a control word means; nullptr for the words the reader ignores.
const Keyword *findKeyword(std::string_view name);

// The code page of an \fcharset; 0 for a character set without one.
int codepageForCharset(int charset);

// The name Qt knows a Windows code page by.
QByteArray codepageName(int codepage);

} // namespace zk::rtf
