#include "editor/text/TextCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace zk {

namespace {

bool hasNonAscii(const QByteArray &bytes) {
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    }
    return false;
}

bool isValidUtf8(const QByteArray &bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString out = decoder.decode(bytes);
    return !decoder.hasError();
}

// Damaged UTF-16 may hold halves of surrogate pairs; no encoding can write them back.
void replaceLoneSurrogates(QString &text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            text[i] = QChar::ReplacementCharacter;
    }
}

} // namespace

QString TextCodec::normalizeLineEnds(QString text) {
    if (!text.contains(QLatin1Char('\r')))
        return text;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

QString TextCodec::fromWindows1251(const QByteArray &bytes) {
    QStringDecoder decoder("windows-1251");
    if (!decoder.isValid())
        return QString::fromLatin1(bytes);
    return decoder.decode(bytes);
}

QByteArray TextCodec::toWindows1251(const QString &text) {
    QStringEncoder encoder("windows-1251");
    return encoder.encode(text);
}

bool TextCodec::fitsWindows1251(const QString &text) {
    QStringEncoder encoder("windows-1251", QStringEncoder::Flag::Stateless);
    const QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        return false;
    // Unmappable characters may come out as '?' without an error flag.
    return fromWindows1251(bytes) == text;
}

QString TextCodec::decode(const QByteArray &bytes) {
    QString text;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        text = QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    } else if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(bytes.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE
                                                            : QStringDecoder::Utf16BE);
        text = decoder.decode(QByteArrayView(bytes).sliced(2));
        replaceLoneSurrogates(text);
    } else if (hasNonAscii(bytes) && isValidUtf8(bytes)) {
        text = QString::fromUtf8(bytes);
    } else {
        text = fromWindows1251(bytes);
    }
    // Repeated byte-order marks carry no text, and a leading one would not survive a save.
    qsizetype marks = 0;
    while (marks < text.size() && text.at(marks) == QChar::ByteOrderMark)
        ++marks;
    text.remove(0, marks);
    return normalizeLineEnds(std::move(text));
}

QByteArray TextCodec::encode(const QString &text) {
    QString crlf = normalizeLineEnds(text);
    crlf.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    // Windows-1251 only when it opens as the same text: its bytes may look like a byte-order
    // mark ("яю") or like UTF-8 ("Её" is C5 B8, UTF-8 for "Ÿ").
    if (fitsWindows1251(crlf)) {
        QByteArray bytes = toWindows1251(crlf);
        if (decode(bytes) == normalizeLineEnds(text))
            return bytes;
    }
    return QByteArray("\xEF\xBB\xBF") + crlf.toUtf8();
}

} // namespace zk
