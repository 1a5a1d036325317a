#pragma once

// Generated books in the formats the program reads natively.
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

#include <QRandomGenerator>
#include <QStringList>

namespace bench {

using namespace Qt::StringLiterals;

inline const QStringList kWords = {
    u"мороз"_s,    u"и"_s,        u"солнце"_s,  u"день"_s,       u"чудесный"_s, u"ещё"_s,
    u"ты"_s,       u"дремлешь"_s, u"друг"_s,    u"прелестный"_s, u"пора"_s,     u"красавица"_s,
    u"проснись"_s, u"—"_s,        u"«вьюга»"_s, u"злилась,"_s,   u"небе"_s,     u"мгла."_s,
};

// Paragraphs of Russian words, about the given size in UTF-8 bytes.
inline QStringList paragraphs(qsizetype utf8Bytes) {
    QRandomGenerator rng(7);
    QStringList out;
    qsizetype size = 0;
    while (size < utf8Bytes) {
        QString p;
        const int words = 20 + static_cast<int>(rng.bounded(80));
        for (int i = 0; i < words; ++i) {
            if (i > 0)
                p += QLatin1Char(' ');
            p += kWords[rng.bounded(static_cast<int>(kWords.size()))];
        }
        size += p.toUtf8().size() + 2;
        out.append(p);
    }
    return out;
}

inline QByteArray fb2Book(qsizetype bytes) {
    QString xml = u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<FictionBook "
                  u"xmlns=\"http://www.gribuser.ru/xml/fictionbook/2.0\"><body><section>"_s;
    for (const QString &p : paragraphs(bytes))
        xml += u"<p>"_s + p + u"</p>\n"_s;
    xml += u"</section></body></FictionBook>\n"_s;
    return xml.toUtf8();
}

inline QString epubBook(const QString &folder, qsizetype bytes) {
    const QString path = folder + u"/book.epub"_s;
    const QStringList text = paragraphs(bytes);
    constexpr int kChapters = 50;
    QString manifest;
    QString spine;
    QList<QPair<QString, QByteArray>> entries;
    const qsizetype perChapter = text.size() / kChapters + 1;
    for (int c = 0; c < kChapters; ++c) {
        QString html =
            u"<?xml version=\"1.0\" encoding=\"utf-8\"?><html "
            u"xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>Глава</title></head><body>"_s;
        for (const QString &p : text.mid(c * perChapter, perChapter))
            html += u"<p>"_s + p + u"</p>\n"_s;
        html += u"</body></html>"_s;
        const QString name = u"ch%1.xhtml"_s.arg(c);
        manifest +=
            u"<item id=\"c%1\" href=\"%2\" media-type=\"application/xhtml+xml\"/>"_s.arg(c).arg(
                name);
        spine += u"<itemref idref=\"c%1\"/>"_s.arg(c);
        entries.append({u"OEBPS/"_s + name, html.toUtf8()});
    }
    entries.prepend(
        {u"OEBPS/content.opf"_s,
         (u"<?xml version=\"1.0\"?><package xmlns=\"http://www.idpf.org/2007/opf\"><manifest>"_s +
          manifest + u"</manifest><spine>"_s + spine + u"</spine></package>"_s)
             .toUtf8()});
    entries.prepend({u"META-INF/container.xml"_s,
                     "<?xml version=\"1.0\"?><container><rootfiles><rootfile "
                     "full-path=\"OEBPS/content.opf\"/></rootfiles></container>"});

    QuaZip zip(path);
    if (!zip.open(QuaZip::mdCreate))
        return {};
    for (const auto &[name, data] : entries) {
        QuaZipFile file(&zip);
        if (!file.open(QIODevice::WriteOnly, QuaZipNewInfo(name)))
            return {};
        file.write(data);
        file.close();
    }
    zip.close();
    return path;
}

} // namespace bench
