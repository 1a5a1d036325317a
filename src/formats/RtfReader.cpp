// Scans RTF for its groups, control words and text, and hands the text to the document builder.
#include "formats/RtfReader.h"
#include "formats/ListNumbers.h"
#include "formats/ParagraphBuilder.h"
#include "formats/RtfControlWords.h"
#include "formats/RtfDocumentBuilder.h"
#include "formats/SymbolFonts.h"

#include <QStringDecoder>
#include <QTextDocument>

#include <algorithm>
#include <limits>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zk {

using namespace rtf;

namespace {

// Deeper groups share the innermost state; real documents stay far below this.
constexpr int kMaxDepth = 1000;
// Numeric parameters saturate here, so arithmetic on them cannot overflow.
constexpr int kMaxParam = 1'000'000'000;
constexpr int kMaxTwips = 31680; // 22 inches
constexpr int kMaxHalfPoints = 3276;
constexpr int kDefaultCodepage = 1252;
constexpr size_t kMaxDecoders = 16;

enum class Dest { Text, FontTable, ColorTable, Skip, Note };

struct State {
    CharProps chr;
    ParaProps para;
    int uc = 1;
    Dest dest = Dest::Text;
};

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

// Characters that would break the document structure or carry nothing visible.
bool isDroppedChar(char16_t c) {
    return (c < 0x20 && c != u'\t') || c == 0xFDD0 || c == 0xFDD1;
}

} // namespace

class RtfParser final {
public:
    RtfParser(const QByteArray &rtf, QTextDocument *doc)
        : m_rtf(rtf), m_data(m_rtf.constData()), m_size(m_rtf.size()), m_out(doc, m_tables) {
        m_stack.emplace_back();
    }

    // Text in a symbol font becomes the characters it shows, for a reader of plain text.
    void mapSymbols() { m_mapSymbols = true; }

    // Reads `bytes` of the input or more, up to the end of a paragraph; false once it is all read.
    bool step(qsizetype bytes) {
        if (!m_out.hasDocument() || m_pos >= m_size)
            return false;
        const qsizetype stepEnd = m_pos + bytes;
        m_out.beginEdit();
        while (m_pos < m_size) {
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
            if (m_out.takeBlockEnded() && m_pos >= stepEnd)
                break;
        }
        if (m_pos >= m_size) {
            flushBytes();
            if (m_noteDepth > 0) { // cut short inside a note
                m_stack.resize(m_noteDepth - 1);
                endNote();
            }
            if (!m_notes.isEmpty()) {
                m_out.endParagraph(st().chr, st().para);
                placeNotes();
            }
            m_out.finish(st().para);
        } else {
            m_out.flush();
        }
        m_out.endEdit();
        return m_pos < m_size;
    }

private:
    State &st() { return m_stack.back(); }

    void openGroup() {
        flushBytes();
        m_skip = 0;
        m_starred = false;
        if (int(m_stack.size()) < kMaxDepth)
            m_stack.push_back(m_stack.back());
        else
            ++m_overflow;
    }

    // Returns false when the outermost group ends, which ends the document.
    bool closeGroup() {
        flushBytes();
        m_skip = 0;
        m_starred = false;
        if (m_overflow > 0) {
            --m_overflow;
            return true;
        }
        if (m_stack.size() <= 2)
            return false;
        if (st().dest == Dest::FontTable)
            commitFont();
        const bool noteEnds = m_noteDepth == m_stack.size();
        m_stack.pop_back();
        if (noteEnds)
            endNote();
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
        m_starred = false;
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
            m_starredFrom = st().dest;
            st().dest = Dest::Skip;
            m_starred = true;
            break;
        default: // \- optional hyphen and the rest carry nothing to show
            break;
        }
    }

    void controlWord(std::string_view name, bool hasParam, int param) {
        const bool starred = std::exchange(m_starred, false);
        const Keyword *found = findKeyword(name);
        if (!found) {
            if (m_skip > 0)
                --m_skip;
            return;
        }
        const Keyword k = *found;
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
        if (s.dest == Dest::Skip) {
            // "\*" skips a destination the reader does not know; LibreOffice writes notes so.
            if (!starred || k.kw != Kw::Note)
                return;
            s.dest = m_starredFrom;
        }
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
        case Kw::Note:
            beginNote();
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
                m_tables.defaultFont = param;
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
        case Kw::Endnote:
            m_endnote = m_endnote || s.dest == Dest::Note;
            break;
        default:
            break;
        }
    }

    // A note is read aside and placed after the paragraph that cites it; a note within a note
    // is dropped.
    void beginNote() {
        State &s = st();
        if (s.dest != Dest::Text || m_noteDepth > 0 || m_overflow > 0) {
            s.dest = Dest::Skip;
            return;
        }
        s.dest = Dest::Note;
        m_noteDepth = m_stack.size();
        m_endnote = false;
        m_note.clear();
    }

    // Numbers the note as the other readers do, footnotes 1, 2, 3 and endnotes i, ii, iii, and
    // cites it where it stood, which is where its mark (\chftn) was.
    void endNote() {
        m_noteDepth = 0;
        const QString mark =
            u'[' + (m_endnote ? romanNumber(++m_endnotes) : QString::number(++m_footnotes)) + u']';
        emitText(mark);
        const QString body = std::exchange(m_note, {}).trimmed();
        if (!body.isEmpty())
            m_notes.append(mark + u' ' + body);
    }

    void placeNotes() {
        if (m_notes.isEmpty())
            return;
        const QStringList notes = std::exchange(m_notes, {});
        for (const QString &note : notes) {
            for (QStringView line : QStringView(note).split(u'\n')) {
                if (line.trimmed().isEmpty())
                    continue;
                m_out.text(line, CharProps(), ParaProps());
                m_out.endParagraph(CharProps(), ParaProps());
            }
        }
    }

    void textByte(char c) {
        m_starred = false;
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
        const QHash<int, Font> &fonts = m_tables.fonts;
        const auto font = fonts.constFind(s.chr.font >= 0 ? s.chr.font : m_tables.defaultFont);
        return font != fonts.cend() && font->codepage > 0 ? font->codepage : m_codepage;
    }

    void flushBytes() {
        if (m_bytes.isEmpty())
            return;
        const bool ascii =
            std::all_of(m_bytes.cbegin(), m_bytes.cend(), [](char c) { return uchar(c) < 0x80; });
        if (const auto map = m_mapSymbols ? symbolMap() : nullptr) {
            // Symbol fonts draw their own characters at these codes: bullets, arrows, Greek.
            QString text;
            for (char c : std::as_const(m_bytes)) {
                if (const char16_t u = map(uchar(c)))
                    text.append(QChar(u));
            }
            emitDecoded(text);
        } else if (ascii) {
            emitDecoded(QString::fromLatin1(m_bytes));
        } else {
            QStringDecoder &decoder = decoderFor(m_bytesCodepage);
            emitDecoded(decoder.isValid() ? QString(decoder.decode(m_bytes))
                                          : QString::fromLatin1(m_bytes));
            decoder.resetState();
        }
        m_bytes.clear();
    }

    // How the text's font maps its codes to Unicode, when it is a symbol font.
    char16_t (*symbolMap() const)(char16_t) {
        const State &s = m_stack.back();
        if (s.dest != Dest::Text && s.dest != Dest::Note)
            return nullptr;
        const auto font =
            m_tables.fonts.constFind(s.chr.font >= 0 ? s.chr.font : m_tables.defaultFont);
        if (font == m_tables.fonts.cend())
            return nullptr;
        if (font->name.startsWith(u"Symbol", Qt::CaseInsensitive))
            return &symbolFontChar;
        if (font->name.startsWith(u"Wingdings", Qt::CaseInsensitive))
            return &wingdingsChar;
        return nullptr;
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
            if (!s.chr.hidden)
                m_out.text(text, s.chr, s.para);
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
        case Dest::Note:
            if (!s.chr.hidden)
                m_note.append(text);
            break;
        case Dest::Skip:
            break;
        }
    }

    void endParagraph() {
        const State &s = st();
        if (s.dest == Dest::Note) {
            m_note.append(u'\n');
        } else if (s.dest == Dest::Text) {
            m_out.endParagraph(s.chr, s.para);
            placeNotes();
        }
    }

    void commitFont() {
        if (!m_fontOpen)
            return;
        m_tables.fonts.insert(m_fontId, Font{m_fontName.trimmed(), m_fontCodepage});
        m_fontOpen = false;
        m_fontName.clear();
        m_fontCodepage = 0;
    }

    void commitColor() {
        m_tables.colors.push_back(m_colorSet ? QColor(m_red, m_green, m_blue) : QColor());
        m_red = m_green = m_blue = 0;
        m_colorSet = false;
    }

    const QByteArray m_rtf;
    const char *m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
    Tables m_tables;
    DocumentBuilder m_out;

    std::vector<State> m_stack;
    int m_overflow = 0;
    int m_skip = 0;         // fallback characters still to drop after \uN
    bool m_starred = false; // just after "\*", which made the group's destination m_starredFrom
    Dest m_starredFrom = Dest::Text;

    size_t m_noteDepth = 0; // the depth of the note's group while one is read
    bool m_endnote = false;
    QString m_note;
    QStringList m_notes; // read, waiting for the end of their paragraph
    int m_footnotes = 0;
    int m_endnotes = 0;

    int m_codepage = kDefaultCodepage;
    bool m_fontOpen = false;
    int m_fontId = 0;
    QString m_fontName;
    int m_fontCodepage = 0;

    int m_red = 0;
    int m_green = 0;
    int m_blue = 0;
    bool m_colorSet = false;

    bool m_mapSymbols = false;
    QByteArray m_bytes;
    int m_bytesCodepage = 0;
    std::unordered_map<int, QStringDecoder> m_decoders;
    QStringDecoder m_noDecoder;
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

std::optional<QString> RtfReader::plainText(const QByteArray &rtf) {
    QTextDocument doc;
    doc.setUndoRedoEnabled(false);
    if (!isRtf(rtf))
        return std::nullopt;
    RtfReader reader(rtf, &doc);
    reader.m_parser->mapSymbols();
    while (reader.readMore(std::numeric_limits<qsizetype>::max() / 2)) {
    }
    QString text = doc.toPlainText();
    // Line breaks within a paragraph end a line, as they do in the other documents we read.
    text.replace(QChar::LineSeparator, u'\n').replace(QChar::ParagraphSeparator, u'\n');
    return ParagraphBuilder::fromLines(text);
}

} // namespace zk
