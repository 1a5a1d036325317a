#pragma once

// PDFs that attack a reader: one page whose content, a few hundred kilobytes on disk, inflates
// to far more than any real page holds.
#include <QByteArray>
#include <QList>

namespace hostile {

// A stream as FlateDecode takes it: qCompress's zlib data without its length prefix.
inline QByteArray flate(const QByteArray &bytes) {
    return qCompress(bytes, 9).mid(4);
}

// A file of the objects, numbered from 1, the first the catalogue.
inline QByteArray pdfOf(const QList<QByteArray> &objects) {
    QByteArray pdf = "%PDF-1.4\n";
    QList<qsizetype> offsets;
    for (qsizetype i = 0; i < objects.size(); ++i) {
        offsets << pdf.size();
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects.at(i) + "\nendobj\n";
    }
    const qsizetype xref = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (const qsizetype offset : offsets)
        pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    pdf += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    return pdf;
}

// One page whose content is `content`, Flate-compressed once and named `repeats` times in the
// page's array of content streams, which a reader joins into one.
inline QByteArray pdfWithPage(const QByteArray &content, int repeats = 1) {
    const QByteArray packed = flate(content);
    QByteArray contents = "[";
    for (int i = 0; i < repeats; ++i)
        contents += " 4 0 R";
    contents += " ]";
    const QList<QByteArray> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 600 800] /Resources << /Font << /F1 5 0 R "
        ">> >> /Contents " +
            contents + " >>",
        "<< /Length " + QByteArray::number(packed.size()) + " /Filter /FlateDecode >>\nstream\n" +
            packed + "\nendstream",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
    };
    return pdfOf(objects);
}

// A book of plain pages, each given by its content, uncompressed.
inline QByteArray pdfOfPages(const QList<QByteArray> &pages) {
    QList<QByteArray> objects = {"<< /Type /Catalog /Pages 2 0 R >>", QByteArray(),
                                 "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"};
    QByteArray kids;
    for (const QByteArray &content : pages) {
        const qsizetype page = objects.size() + 1;
        kids += QByteArray::number(page) + " 0 R ";
        objects << "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 600 800] /Resources << /Font "
                   "<< /F1 3 0 R >> >> /Contents " +
                       QByteArray::number(page + 1) + " 0 R >>"
                << "<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content +
                       "\nendstream";
    }
    objects[1] =
        "<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(pages.size()) + " >>";
    return pdfOf(objects);
}

// `words` text-show operators, one word each, on seventy lines that start over at the top.
inline QByteArray textOperators(qsizetype words) {
    QByteArray ops = "BT /F1 10 Tf 20 780 Td\n";
    ops.reserve(words * 18 + 64);
    for (qsizetype i = 0; i < words; ++i)
        ops += (i % 70 == 69) ? "(word) Tj 0 690 Td\n" : "(word) Tj 0 -10 Td\n";
    ops += "ET\n";
    return ops;
}

// A page of nothing but `gib` gibibytes of spaces: a reader works through all of them.
inline QByteArray pdfOfSpaces(int gib) {
    return pdfWithPage(QByteArray(64 << 20, ' '), gib * 16);
}

} // namespace hostile
