// The RTF control words the reader knows, and the code pages of RTF character sets.
#include "formats/RtfControlWords.h"
#include "formats/RtfDocumentBuilder.h"

#include <QTextCharFormat>

#include <algorithm>
#include <unordered_map>
#include <utility>
#include <vector>

namespace zk::rtf {

namespace {

constexpr std::string_view kUnderlines =
    "ul uld uldash uldashd uldashdd uldb ulhwave ulldash ulth ulthd ulthdash ulthdashd "
    "ulthdashdd ulthldash ululdbwave ulw ulwave";

// Destinations whose body is not document text.
constexpr std::string_view kSkippedDestinations =
    "stylesheet info pict object header headerl headerr headerf footer footerl footerr footerf "
    "ftnsep ftnsepc ftncn aftnsep aftnsepc aftncn annotation listtable "
    "listoverridetable rsidtbl generator xmlnstbl xmlns themedata colorschememapping "
    "latentstyles datastore pgdsctbl fldinst revtbl filetbl template pn pnseclvl pntxta pntxtb "
    "nonshppict shp shpinst "
    "xe tc bkmkstart bkmkend userprops docvar objdata panose falt mmathPr wgrffmtfilter "
    "passwordhash protusertbl fchars lchars htmltag mhtmltag formfield private txe";

std::vector<std::string_view> words(std::string_view list) {
    std::vector<std::string_view> out;
    while (!list.empty()) {
        const size_t space = std::min(list.find(' '), list.size());
        if (space > 0)
            out.push_back(list.substr(0, space));
        list.remove_prefix(std::min(space + 1, list.size()));
    }
    return out;
}

const std::unordered_map<std::string_view, Keyword> &keywords() {
    static const std::unordered_map<std::string_view, Keyword> table = [] {
        std::unordered_map<std::string_view, Keyword> t = {
            {"par", {Kw::Par}},
            {"row", {Kw::Par}},
            {"nestrow", {Kw::Par}},
            {"page", {Kw::Par}},
            {"line", {Kw::Char, 0x2028}},
            {"tab", {Kw::Char, '\t'}},
            {"cell", {Kw::Char, '\t'}},
            {"nestcell", {Kw::Char, '\t'}},
            {"emdash", {Kw::Char, 0x2014}},
            {"endash", {Kw::Char, 0x2013}},
            {"emspace", {Kw::Char, 0x2003}},
            {"enspace", {Kw::Char, 0x2002}},
            {"qmspace", {Kw::Char, 0x2005}},
            {"bullet", {Kw::Char, 0x2022}},
            {"lquote", {Kw::Char, 0x2018}},
            {"rquote", {Kw::Char, 0x2019}},
            {"ldblquote", {Kw::Char, 0x201C}},
            {"rdblquote", {Kw::Char, 0x201D}},
            {"zwj", {Kw::Char, 0x200D}},
            {"zwnj", {Kw::Char, 0x200C}},
            {"ltrmark", {Kw::Char, 0x200E}},
            {"rtlmark", {Kw::Char, 0x200F}},
            {"pard", {Kw::Pard}},
            {"plain", {Kw::Plain}},
            {"b", {Kw::Bold}},
            {"i", {Kw::Italic}},
            {"ulnone", {Kw::UnderlineNone}},
            {"strike", {Kw::Strike}},
            {"striked", {Kw::Strike}},
            {"v", {Kw::Hidden}},
            {"super", {Kw::Vertical, QTextCharFormat::AlignSuperScript}},
            {"sub", {Kw::Vertical, QTextCharFormat::AlignSubScript}},
            {"nosupersub", {Kw::Vertical, QTextCharFormat::AlignNormal}},
            {"fs", {Kw::FontSize}},
            {"f", {Kw::Font}},
            {"cf", {Kw::Foreground}},
            {"cb", {Kw::Background}},
            {"chcbpat", {Kw::Background}},
            {"highlight", {Kw::Background}},
            {"red", {Kw::Red}},
            {"green", {Kw::Green}},
            {"blue", {Kw::Blue}},
            {"fcharset", {Kw::Charset}},
            {"cpg", {Kw::FontCodepage}},
            {"ansicpg", {Kw::AnsiCodepage}},
            {"ansi", {Kw::CharacterSet, 1252}},
            {"mac", {Kw::CharacterSet, 10000}},
            {"pc", {Kw::CharacterSet, 437}},
            {"pca", {Kw::CharacterSet, 850}},
            {"deff", {Kw::DefaultFont}},
            {"u", {Kw::Unicode}},
            {"uc", {Kw::UnicodeSkip}},
            {"bin", {Kw::Bin}},
            {"ql", {Kw::Align, int(Align::Left)}},
            {"qc", {Kw::Align, int(Align::Center)}},
            {"qr", {Kw::Align, int(Align::Right)}},
            {"qj", {Kw::Align, int(Align::Justify)}},
            {"qd", {Kw::Align, int(Align::Justify)}},
            {"li", {Kw::LeftIndent}},
            {"lin", {Kw::LeftIndent}},
            {"ri", {Kw::RightIndent}},
            {"rin", {Kw::RightIndent}},
            {"fi", {Kw::FirstIndent}},
            {"sb", {Kw::SpaceBefore}},
            {"sa", {Kw::SpaceAfter}},
            {"fonttbl", {Kw::FontTable}},
            {"colortbl", {Kw::ColorTable}},
            {"footnote", {Kw::Note}},
            {"ftnalt", {Kw::Endnote}}};
        for (std::string_view name : words(kUnderlines))
            t.emplace(name, Keyword{Kw::Underline});
        for (std::string_view name : words(kSkippedDestinations))
            t.emplace(name, Keyword{Kw::Skip});
        return t;
    }();
    return table;
}

} // namespace

const Keyword *findKeyword(std::string_view name) {
    const auto found = keywords().find(name);
    return found == keywords().end() ? nullptr : &found->second;
}

int codepageForCharset(int charset) {
    // Symbol fonts (2) read as 1252: the closest readable stand-in for their glyphs.
    static constexpr std::pair<int, int> kCodepages[] = {
        {0, 1252},   {2, 1252},   {77, 10000}, {128, 932},  {129, 949},  {134, 936},
        {136, 950},  {161, 1253}, {162, 1254}, {163, 1258}, {177, 1255}, {178, 1256},
        {186, 1257}, {204, 1251}, {222, 874},  {238, 1250}, {254, 437},  {255, 850}};
    for (const auto &[set, codepage] : kCodepages) {
        if (set == charset)
            return codepage;
    }
    return 0;
}

QByteArray codepageName(int codepage) {
    switch (codepage) {
    case 10000:
        return "macintosh";
    case 10007:
        return "x-mac-cyrillic";
    case 20866:
        return "koi8-r";
    case 21866:
        return "koi8-u";
    case 65001:
        return "UTF-8";
    default:
        return (codepage < 1000 ? QByteArray("cp") : QByteArray("windows-")) +
               QByteArray::number(codepage);
    }
}

} // namespace zk::rtf
