#include "formats/RtfReader.h"

#include <QColor>
#include <QHash>
#include <QPointer>
#include <QStringDecoder>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <limits>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zk {

namespace {

// Deeper groups share the innermost state; real documents stay far below this.
constexpr int kMaxDepth = 1000;
// Numeric parameters saturate here, so arithmetic on them cannot overflow.
constexpr int kMaxParam = 1'000'000'000;
constexpr int kMaxTwips = 31680; // 22 inches
constexpr int kMaxHalfPoints = 3276;
constexpr int kDefaultCodepage = 1252;
constexpr size_t kMaxDecoders = 16;
constexpr int kLongestWord = 256;
constexpr int kLongestParagraph = 16384;
constexpr int kMostEmptyParagraphs = 100;

enum class Dest { Text, FontTable, ColorTable, Skip };

enum class Align { Left, Center, Right, Justify };

struct CharProps {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool hidden = false;
    int vertical = QTextCharFormat::AlignNormal;
    int halfPoints = 0; // 0: the document's default size
    int font = -1;      // -1: the \deff font
    int foreground = -1;
    int background = -1;

    bool operator==(const CharProps &) const = default;
};

struct ParaProps {
    Align align = Align::Left;
    int left = 0; // twips
    int right = 0;
    int first = 0;
    int before = 0;
    int after = 0;
};

struct State {
    CharProps chr;
    ParaProps para;
    int uc = 1;
    Dest dest = Dest::Text;
};

struct Font {
    QString name;
    int codepage = 0; // 0: the document's code page
};

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
};

struct Keyword {
    Kw kw;
    int arg = 0;
};

constexpr std::string_view kUnderlines =
    "ul uld uldash uldashd uldashdd uldb ulhwave ulldash ulth ulthd ulthdash ulthdashd "
    "ulthdashdd ulthldash ululdbwave ulw ulwave";

// Destinations whose body is not document text.
constexpr std::string_view kSkippedDestinations =
    "stylesheet info pict object header headerl headerr headerf footer footerl footerr footerf "
    "footnote ftnsep ftnsepc ftncn aftnsep aftnsepc aftncn annotation listtable "
    "listoverridetable rsidtbl generator xmlnstbl xmlns themedata colorschememapping "
    "latentstyles datastore pgdsctbl fldinst revtbl filetbl template pn nonshppict shp shpinst "
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
            {"colortbl", {Kw::ColorTable}}};
        for (std::string_view name : words(kUnderlines))
            t.emplace(name, Keyword{Kw::Underline});
        for (std::string_view name : words(kSkippedDestinations))
            t.emplace(name, Keyword{Kw::Skip});
        return t;
    }();
    return table;
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

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Where Qt may end a line within a paragraph.
bool isLineBreakPlace(QChar c) {
    return c == u' ' || c == u'\t' || c == u'-' || c == QChar::LineSeparator || c == u'\u200B';
}

// Characters that would break the document structure or carry nothing visible.
bool isDroppedChar(char16_t c) {
    return (c < 0x20 && c != u'\t') || c == 0xFDD0 || c == 0xFDD1;
}

} // namespace

class RtfParser final {
public:
    RtfParser(const QByteArray &rtf, QTextDocument *doc)
        : m_rtf(rtf), m_data(m_rtf.constData()), m_size(m_rtf.size()), m_doc(doc),
          m_undo(doc->isUndoRedoEnabled()) {
        doc->setUndoRedoEnabled(false);
        doc->clear();
        m_cursor = QTextCursor(doc);
        m_stack.emplace_back();
    }

    ~RtfParser() {
        if (m_doc)
            m_doc->setUndoRedoEnabled(m_undo);
    }

    // Reads `bytes` of the input or more, up to the end of a paragraph; false once it is all read.
    bool step(qsizetype bytes) {
        if (!m_doc || m_pos >= m_size)
            return false;
        m_stepEnd = m_pos + bytes;
        m_yield = false;
        m_cursor.beginEditBlock();
        while (m_pos < m_size && !m_yield) {
            const char c = m_data[m_pos++];
            if (c == '{') {
                openGroup();
            } else if (c == '}') {
                if (!closeGroup())
                    m_pos = m_size;
            } else if (c == '\\') {
                controlToken();
            } else if (c != '\r' && c != '\n') {
                textByte(c);
            }
        }
        if (m_pos >= m_size)
            finish();
        else
            flushText();
        m_cursor.endEditBlock();
        return m_pos < m_size;
    }

private:
    State &st() { return m_stack.back(); }

    void openGroup() {
        flushBytes();
        m_skip = 0;
        if (int(m_stack.size()) < kMaxDepth)
            m_stack.push_back(m_stack.back());
        else
            ++m_overflow;
    }

    // Returns false when the outermost group ends, which ends the document.
    bool closeGroup() {
        flushBytes();
        m_skip = 0;
        if (m_overflow > 0) {
            --m_overflow;
            return true;
        }
        if (m_stack.size() <= 2)
            return false;
        if (st().dest == Dest::FontTable)
            commitFont();
        m_stack.pop_back();
        return true;
    }

    void controlToken() {
        if (m_pos >= m_size)
            return;
        if (!isLetter(m_data[m_pos])) {
            controlSymbol(m_data[m_pos++]);
            return;
        }
        const qsizetype start = m_pos;
        while (m_pos < m_size && isLetter(m_data[m_pos]))
            ++m_pos;
        const std::string_view name(m_data + start, size_t(m_pos - start));
        bool hasParam = false;
        int param = 0;
        bool negative = false;
        if (m_pos + 1 < m_size && m_data[m_pos] == '-' && isDigit(m_data[m_pos + 1])) {
            negative = true;
            ++m_pos;
        }
        while (m_pos < m_size && isDigit(m_data[m_pos])) {
            const int digit = m_data[m_pos++] - '0';
            param = param <= (kMaxParam - digit) / 10 ? param * 10 + digit : kMaxParam;
            hasParam = true;
        }
        if (negative)
            param = -param;
        if (m_pos < m_size && m_data[m_pos] == ' ')
            ++m_pos;
        controlWord(name, hasParam, param);
    }

    void controlSymbol(char c) {
        if (c == '\'') {
            int byte = -1;
            if (m_pos < m_size && hexValue(m_data[m_pos]) >= 0) {
                byte = hexValue(m_data[m_pos++]);
                if (m_pos < m_size && hexValue(m_data[m_pos]) >= 0)
                    byte = byte * 16 + hexValue(m_data[m_pos++]);
            }
            if (m_skip > 0)
                --m_skip;
            else if (byte >= 0)
                appendByte(char(byte));
            return;
        }
        if (m_skip > 0) {
            --m_skip;
            return;
        }
        flushBytes();
        switch (c) {
        case '~':
            emitChar(0x00A0);
            break;
        case '_':
            emitChar(0x2011);
            break;
        case '{':
            emitChar(u'{');
            break;
        case '}':
            emitChar(u'}');
            break;
        case '\\':
            emitChar(u'\\');
            break;
        case '\r':
        case '\n':
            endParagraph();
            break;
        case '*':
            st().dest = Dest::Skip;
            break;
        default: // \- optional hyphen and the rest carry nothing to show
            break;
        }
    }

    void controlWord(std::string_view name, bool hasParam, int param) {
        const auto found = keywords().find(name);
        if (found == keywords().end()) {
            if (m_skip > 0)
                --m_skip;
            return;
        }
        const Keyword k = found->second;
        if (k.kw == Kw::Bin) {
            // Binary data may contain braces and backslashes, so it is stepped over even in
            // skipped destinations.
            if (hasParam && param > 0)
                m_pos += std::min<qsizetype>(param, m_size - m_pos);
            if (m_skip > 0)
                --m_skip;
            return;
        }
        if (m_skip > 0) {
            --m_skip;
            return;
        }
        flushBytes();
        State &s = st();
        if (s.dest == Dest::Skip)
            return;
        switch (k.kw) {
        case Kw::FontTable:
            s.dest = Dest::FontTable;
            return;
        case Kw::ColorTable:
            s.dest = Dest::ColorTable;
            return;
        case Kw::Skip:
            s.dest = Dest::Skip;
            return;
        case Kw::Unicode:
            if (hasParam)
                unicodeChar(param);
            return;
        case Kw::UnicodeSkip:
            s.uc = hasParam ? std::max(0, param) : 1;
            return;
        default:
            break;
        }
        if (s.dest == Dest::FontTable)
            fontTableWord(k.kw, hasParam, param);
        else if (s.dest == Dest::ColorTable)
            colorTableWord(k.kw, param);
        else
            textWord(k, hasParam, param);
    }

    void unicodeChar(int value) {
        if (value < 0)
            value += 65536;
        if (value > 0 && value <= 0xFFFF) {
            const char16_t c = char16_t(value);
            emitDecoded(QStringView(&c, 1));
        }
        m_skip = st().uc;
    }

    void fontTableWord(Kw kw, bool hasParam, int param) {
        switch (kw) {
        case Kw::Font:
            commitFont();
            if (hasParam) {
                m_fontOpen = true;
                m_fontId = param;
            }
            break;
        case Kw::Charset:
            if (m_fontCodepage == 0)
                m_fontCodepage = codepageForCharset(param);
            break;
        case Kw::FontCodepage:
            if (param > 0)
                m_fontCodepage = param;
            break;
        default:
            break;
        }
    }

    void colorTableWord(Kw kw, int param) {
        const int value = std::clamp(param, 0, 255);
        switch (kw) {
        case Kw::Red:
            m_red = value;
            break;
        case Kw::Green:
            m_green = value;
            break;
        case Kw::Blue:
            m_blue = value;
            break;
        default:
            return;
        }
        m_colorSet = true;
    }

    void textWord(Keyword k, bool hasParam, int param) {
        State &s = st();
        const bool on = !hasParam || param != 0;
        const int twips = std::clamp(param, -kMaxTwips, kMaxTwips);
        switch (k.kw) {
        case Kw::Par:
            endParagraph();
            break;
        case Kw::Char:
            emitChar(char16_t(k.arg));
            break;
        case Kw::Pard:
            s.para = {};
            break;
        case Kw::Plain:
            s.chr = {};
            break;
        case Kw::Bold:
            s.chr.bold = on;
            break;
        case Kw::Italic:
            s.chr.italic = on;
            break;
        case Kw::Underline:
            s.chr.underline = on;
            break;
        case Kw::UnderlineNone:
            s.chr.underline = false;
            break;
        case Kw::Strike:
            s.chr.strike = on;
            break;
        case Kw::Hidden:
            s.chr.hidden = on;
            break;
        case Kw::Vertical:
            s.chr.vertical = k.arg;
            break;
        case Kw::FontSize:
            s.chr.halfPoints = !hasParam ? 24 : param > 0 ? std::min(param, kMaxHalfPoints) : 0;
            break;
        case Kw::Font:
            s.chr.font = hasParam ? param : -1;
            break;
        case Kw::Foreground:
            s.chr.foreground = hasParam ? param : -1;
            break;
        case Kw::Background:
            s.chr.background = hasParam ? param : -1;
            break;
        case Kw::AnsiCodepage:
            if (param > 0)
                m_codepage = param;
            break;
        case Kw::CharacterSet:
            m_codepage = k.arg;
            break;
        case Kw::DefaultFont:
            if (hasParam)
                m_defaultFont = param;
            break;
        case Kw::Align:
            s.para.align = Align(k.arg);
            break;
        case Kw::LeftIndent:
            s.para.left = std::max(0, twips);
            break;
        case Kw::RightIndent:
            s.para.right = std::max(0, twips);
            break;
        case Kw::FirstIndent:
            s.para.first = twips;
            break;
        case Kw::SpaceBefore:
            s.para.before = std::max(0, twips);
            break;
        case Kw::SpaceAfter:
            s.para.after = std::max(0, twips);
            break;
        default:
            break;
        }
    }

    void textByte(char c) {
        if (m_skip > 0) {
            --m_skip;
            return;
        }
        if (c == '\t') {
            flushBytes();
            emitChar(u'\t');
            return;
        }
        appendByte(c);
    }

    // Bytes are collected and decoded together so that multi-byte code pages work.
    void appendByte(char c) {
        if (st().dest == Dest::Skip)
            return;
        const int codepage = currentCodepage();
        if (!m_bytes.isEmpty() && codepage != m_bytesCodepage)
            flushBytes();
        m_bytesCodepage = codepage;
        m_bytes.append(c);
    }

    int currentCodepage() {
        const State &s = st();
        if (s.dest == Dest::FontTable)
            return m_fontOpen && m_fontCodepage > 0 ? m_fontCodepage : m_codepage;
        const auto font = m_fonts.constFind(s.chr.font >= 0 ? s.chr.font : m_defaultFont);
        return font != m_fonts.cend() && font->codepage > 0 ? font->codepage : m_codepage;
    }

    void flushBytes() {
        if (m_bytes.isEmpty())
            return;
        const bool ascii =
            std::all_of(m_bytes.cbegin(), m_bytes.cend(), [](char c) { return uchar(c) < 0x80; });
        if (ascii) {
            emitDecoded(QString::fromLatin1(m_bytes));
        } else {
            QStringDecoder &decoder = decoderFor(m_bytesCodepage);
            emitDecoded(decoder.isValid() ? QString(decoder.decode(m_bytes))
                                          : QString::fromLatin1(m_bytes));
            decoder.resetState();
        }
        m_bytes.clear();
    }

    QStringDecoder &decoderFor(int codepage) {
        auto found = m_decoders.find(codepage);
        if (found == m_decoders.end()) {
            // Each lookup of an unknown name is costly; hostile input could ask for thousands.
            if (m_decoders.size() >= kMaxDecoders)
                return m_noDecoder;
            const auto flags = QStringConverter::Flag::Stateless;
            found =
                m_decoders.try_emplace(codepage, codepageName(codepage).constData(), flags).first;
            if (!found->second.isValid()) {
                const QByteArray alias = "cp" + QByteArray::number(codepage);
                found->second = QStringDecoder(alias.constData(), flags);
            }
        }
        return found->second;
    }

    void emitDecoded(QStringView text) {
        QString clean;
        clean.reserve(text.size());
        for (QChar c : text) {
            if (!isDroppedChar(c.unicode()))
                clean.append(c);
        }
        if (!clean.isEmpty())
            emitText(clean);
    }

    void emitChar(char16_t c) { emitText(QStringView(&c, 1)); }

    void emitText(QStringView text) {
        const State &s = st();
        switch (s.dest) {
        case Dest::Text:
            if (s.chr.hidden)
                return;
            openPendingBlock();
            if (!m_text.isEmpty() && m_textProps != s.chr)
                flushText();
            m_textProps = s.chr;
            appendBreakable(text);
            break;
        case Dest::FontTable:
            for (QChar c : text) {
                if (c == u';')
                    commitFont();
                else if (m_fontOpen)
                    m_fontName.append(c);
            }
            break;
        case Dest::ColorTable:
            for (QChar c : text) {
                if (c == u';')
                    commitColor();
            }
            break;
        case Dest::Skip:
            break;
        }
    }

    // Qt's layout looks for a break in the whole of a word for every line it wraps off it, so a
    // word of a million letters takes an hour to show; a zero-width space now and then lets it
    // wrap there instead.
    void appendBreakable(QStringView text) {
        for (QChar c : text) {
            if (isLineBreakPlace(c)) {
                m_text.append(c);
                m_wordLength = 0;
                if (++m_blockLength >= kLongestParagraph)
                    splitParagraph();
                continue;
            }
            if (m_wordLength >= kLongestWord) {
                if (m_blockLength >= kLongestParagraph) {
                    splitParagraph();
                } else {
                    m_text.append(QChar(0x200B));
                    m_wordLength = 0;
                }
            }
            m_text.append(c);
            ++m_wordLength;
            ++m_blockLength;
        }
    }

    void flushText() {
        if (m_text.isEmpty())
            return;
        m_cursor.insertText(m_text, charFormat(m_textProps));
        m_text.clear();
    }

    // The paragraph mark closes its paragraph; the next block opens only when something follows,
    // so the document's last \par does not leave an empty paragraph behind.
    void endParagraph() {
        if (st().dest != Dest::Text)
            return;
        // Blank lines beyond a few screens show nothing more, and millions of them would cost
        // a second and hundreds of bytes each.
        if (m_blockLength == 0) {
            if (m_emptyParagraphs >= kMostEmptyParagraphs)
                return;
            ++m_emptyParagraphs;
        } else {
            m_emptyParagraphs = 0;
        }
        flushText();
        openPendingBlock();
        m_cursor.setBlockFormat(blockFormat(st().para));
        m_blockPending = true;
        blockEnded();
    }

    void blockEnded() {
        m_wordLength = 0;
        m_blockLength = 0;
        m_yield = m_pos >= m_stepEnd;
    }

    // A paragraph of endless length would be laid out again whole at every step; it is cut
    // into blocks at places where its lines may break anyway.
    void splitParagraph() {
        flushText();
        m_cursor.insertBlock(blockFormat(st().para), charFormat(m_textProps));
        blockEnded();
    }

    void openPendingBlock() {
        if (!m_blockPending)
            return;
        m_blockPending = false;
        m_cursor.insertBlock(blockFormat(st().para), charFormat(st().chr));
    }

    void finish() {
        flushBytes();
        flushText();
        if (!m_blockPending)
            m_cursor.setBlockFormat(blockFormat(st().para));
    }

    void commitFont() {
        if (!m_fontOpen)
            return;
        m_fonts.insert(m_fontId, Font{m_fontName.trimmed(), m_fontCodepage});
        m_fontOpen = false;
        m_fontName.clear();
        m_fontCodepage = 0;
    }

    void commitColor() {
        m_colors.push_back(m_colorSet ? QColor(m_red, m_green, m_blue) : QColor());
        m_red = m_green = m_blue = 0;
        m_colorSet = false;
    }

    QColor color(int index) const {
        return index >= 0 && index < int(m_colors.size()) ? m_colors[size_t(index)] : QColor();
    }

    QTextCharFormat charFormat(const CharProps &p) const {
        QTextCharFormat f;
        if (p.bold)
            f.setFontWeight(QFont::Bold);
        if (p.italic)
            f.setFontItalic(true);
        if (p.underline)
            f.setFontUnderline(true);
        if (p.strike)
            f.setFontStrikeOut(true);
        if (p.vertical != QTextCharFormat::AlignNormal)
            f.setVerticalAlignment(QTextCharFormat::VerticalAlignment(p.vertical));
        if (p.halfPoints > 0)
            f.setFontPointSize(p.halfPoints / 2.0);
        const auto font = m_fonts.constFind(p.font >= 0 ? p.font : m_defaultFont);
        if (font != m_fonts.cend() && !font->name.isEmpty())
            f.setFontFamilies(QStringList{font->name});
        if (const QColor c = color(p.foreground); c.isValid())
            f.setForeground(c);
        if (const QColor c = color(p.background); c.isValid())
            f.setBackground(c);
        return f;
    }

    static QTextBlockFormat blockFormat(const ParaProps &p) {
        QTextBlockFormat f;
        switch (p.align) {
        case Align::Left:
            f.setAlignment(Qt::AlignLeft);
            break;
        case Align::Center:
            f.setAlignment(Qt::AlignHCenter);
            break;
        case Align::Right:
            f.setAlignment(Qt::AlignRight);
            break;
        case Align::Justify:
            f.setAlignment(Qt::AlignJustify);
            break;
        }
        // Twips to pixels at 96 dpi.
        constexpr double kTwipsPerPixel = 15.0;
        if (p.left != 0)
            f.setLeftMargin(p.left / kTwipsPerPixel);
        if (p.right != 0)
            f.setRightMargin(p.right / kTwipsPerPixel);
        if (p.first != 0)
            f.setTextIndent(p.first / kTwipsPerPixel);
        if (p.before != 0)
            f.setTopMargin(p.before / kTwipsPerPixel);
        if (p.after != 0)
            f.setBottomMargin(p.after / kTwipsPerPixel);
        return f;
    }

    const QByteArray m_rtf;
    const char *m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
    qsizetype m_stepEnd = 0;
    bool m_yield = false;
    QPointer<QTextDocument> m_doc;
    bool m_undo;
    QTextCursor m_cursor;

    std::vector<State> m_stack;
    int m_overflow = 0;
    int m_skip = 0; // fallback characters still to drop after \uN

    int m_codepage = kDefaultCodepage;
    int m_defaultFont = -1;
    QHash<int, Font> m_fonts;
    bool m_fontOpen = false;
    int m_fontId = 0;
    QString m_fontName;
    int m_fontCodepage = 0;

    std::vector<QColor> m_colors;
    int m_red = 0;
    int m_green = 0;
    int m_blue = 0;
    bool m_colorSet = false;

    QByteArray m_bytes;
    int m_bytesCodepage = 0;
    std::unordered_map<int, QStringDecoder> m_decoders;
    QStringDecoder m_noDecoder;

    QString m_text;
    CharProps m_textProps;
    int m_wordLength = 0; // letters since the last place a line may break
    int m_blockLength = 0;
    int m_emptyParagraphs = 0; // in a row, just before the current one
    bool m_blockPending = false;
};

bool RtfReader::isRtf(const QByteArray &bytes) {
    return bytes.startsWith("{\\rtf");
}

RtfReader::RtfReader(const QByteArray &rtf, QTextDocument *doc) {
    if (doc && isRtf(rtf))
        m_parser = std::make_unique<RtfParser>(rtf, doc);
}

RtfReader::~RtfReader() = default;

bool RtfReader::readMore(qsizetype bytes) {
    return m_parser && m_parser->step(bytes);
}

bool RtfReader::read(const QByteArray &rtf, QTextDocument *doc) {
    if (!doc || !isRtf(rtf))
        return false;
    RtfReader reader(rtf, doc);
    while (reader.readMore(std::numeric_limits<qsizetype>::max() / 2)) {
    }
    return true;
}

} // namespace zk
