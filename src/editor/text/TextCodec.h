#pragma once

#include <QByteArray>
#include <QString>

namespace zk {

// Text files as the program reads and writes them. Inside the program text is
// Unicode with "\n" line ends.
class TextCodec final {
public:
    // A byte-order mark decides; otherwise valid UTF-8 holding non-ASCII bytes is
    // UTF-8; otherwise Windows-1251. CR LF, LF and CR all end a line.
    static QString decode(const QByteArray &bytes);

    // Windows-1251 with CR LF when every character fits, otherwise UTF-8 with a
    // byte-order mark and CR LF, so nothing typed is lost.
    static QByteArray encode(const QString &text);

    static bool fitsWindows1251(const QString &text);
    static QString fromWindows1251(const QByteArray &bytes);
    static QByteArray toWindows1251(const QString &text);

    // Turns CR LF and lone CR into LF.
    static QString normalizeLineEnds(QString text);
};

} // namespace zk
