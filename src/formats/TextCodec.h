#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace zk {

// Text files as the program reads and writes them. Inside the program text is
// Unicode with "\n" line ends; no control character but tab and line end survives decoding.
class TextCodec final {
public:
    // A byte-order mark decides; otherwise valid UTF-8 holding non-ASCII bytes is
    // UTF-8; otherwise Windows-1251. CR LF, LF and CR all end a line; one final line
    // break ends the last paragraph and opens no empty one. Linear, in one pass.
    static QString decode(const QByteArray &bytes);
    // The same, asking `stop` between pieces of a few megabytes: empty once it says so.
    static QString decode(const QByteArray &bytes, const std::function<bool()> &stop);

    // A file from elsewhere, in whatever encoding a Russian reader's files come in (see
    // EncodingDetector); otherwise as decode(). Damaged UTF-8 keeps U+FFFD for the damage.
    static QString decodeUserFile(const QByteArray &bytes);
    // The bytes in a named encoding, tidied alike; windows-1251 for a name Qt does not know.
    static QString decodeAs(QByteArrayView bytes, const QByteArray &encoding);

    // Windows-1251 when every character fits and the bytes read back as such, otherwise
    // UTF-8 with a byte-order mark, so nothing typed is lost. Every paragraph, the last
    // one too, ends in CR LF.
    static QByteArray encode(const QString &text);
    // The editor's text as encode() writes it, its own line and paragraph breaks (U+2028,
    // U+2029) ending lines too, handed to `put` in pieces of about a megabyte, so that a book
    // is never held twice; false as soon as `put` refuses a piece.
    static bool encodeEditorText(QStringView text, const std::function<bool(QByteArrayView)> &put);

    static bool fitsWindows1251(const QString &text);
    static QString fromWindows1251(QByteArrayView bytes);
    static QByteArray toWindows1251(const QString &text);

    // Turns CR LF and lone CR into LF.
    static QString normalizeLineEnds(QString text);
    // Text from elsewhere than a file (the clipboard): line ends as in decode(), control
    // characters but tab gone, nothing else touched.
    static QString withoutControls(QString text);
};

} // namespace zk
