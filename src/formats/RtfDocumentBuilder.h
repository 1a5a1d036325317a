#pragma once

#include <QColor>
#include <QHash>
#include <QPointer>
#include <QString>
#include <QStringView>
#include <QTextCharFormat>
#include <QTextCursor>

#include <vector>

class QTextBlockFormat;
class QTextDocument;

namespace zk::rtf {

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

struct Font {
    QString name;
    int codepage = 0; // 0: the document's code page
};

// The font and colour tables, filled in as the document's header is read.
struct Tables {
    int defaultFont = -1;
    QHash<int, Font> fonts;
    std::vector<QColor> colors;
};

// Writes text into a QTextDocument in runs of one format, a block per paragraph, keeping
// words and paragraphs short enough for Qt's layout.
class DocumentBuilder final {
public:
    // Empties doc, whose undo stack stays off while the builder lives.
    DocumentBuilder(QTextDocument *doc, const Tables &tables);
    ~DocumentBuilder();
    DocumentBuilder(const DocumentBuilder &) = delete;
    DocumentBuilder &operator=(const DocumentBuilder &) = delete;

    // False once the document has been deleted.
    bool hasDocument() const { return !m_doc.isNull(); }
    void beginEdit() { m_cursor.beginEditBlock(); }
    void endEdit() { m_cursor.endEditBlock(); }

    void text(QStringView text, const CharProps &chr, const ParaProps &para);
    void endParagraph(const CharProps &chr, const ParaProps &para);
    // Writes out the run collected so far.
    void flush();
    void finish(const ParaProps &para);
    // Whether a block has ended since the last call: a place to pause.
    bool takeBlockEnded();

private:
    void appendBreakable(QStringView text, const ParaProps &para);
    void blockEnded();
    void splitParagraph(const ParaProps &para);
    void openPendingBlock(const CharProps &chr, const ParaProps &para);
    QColor color(int index) const;
    QTextCharFormat charFormat(const CharProps &p) const;
    static QTextBlockFormat blockFormat(const ParaProps &p);

    QPointer<QTextDocument> m_doc;
    bool m_undo;
    QTextCursor m_cursor;
    const Tables &m_tables;

    QString m_text;
    CharProps m_textProps;
    int m_wordLength = 0; // letters since the last place a line may break
    int m_blockLength = 0;
    int m_emptyParagraphs = 0; // in a row, just before the current one
    bool m_blockPending = false;
    bool m_blockEnded = false;
};

} // namespace zk::rtf
