#include "formats/PdfReader.h"
#include "formats/PageTextAssembler.h"

#include <poppler-qt6.h>

#include <QFileInfo>
#include <QVariant>

namespace zk {

namespace {

using Failure = ConversionResult::Failure;

// Poppler tells every flaw of a damaged file on standard error; a reader has no use for it.
void silencePoppler() {
    static const bool silenced = [] {
        Poppler::setDebugErrorFunction([](const QString &, const QVariant &) {}, QVariant());
        return true;
    }();
    Q_UNUSED(silenced);
}

// Words come in reading order; a word that sits beside the previous one, on the same band of
// the page and further right, goes on its line.
bool sameLine(const QRectF &line, const QRectF &word) {
    const double overlap =
        std::min(line.bottom(), word.bottom()) - std::max(line.top(), word.top());
    return overlap > 0.5 * std::min(line.height(), word.height()) &&
           word.left() > line.right() - 0.5 * word.height();
}

TextPage pageText(const Poppler::Page &page) {
    TextPage result;
    result.size = page.pageSizeF();
    bool spaceAfter = false;
    for (const std::unique_ptr<Poppler::TextBox> &word : page.textList()) {
        const QRectF box = word->boundingBox();
        if (result.lines.isEmpty() || !sameLine(result.lines.last().box, box)) {
            result.lines.append(TextLine{box, word->text(), false});
        } else {
            TextLine &line = result.lines.last();
            if (spaceAfter || box.left() - line.box.right() > 0.15 * box.height())
                line.text += u' ';
            line.box = line.box.united(box);
            line.text += word->text();
        }
        spaceAfter = word->hasSpaceAfter();
    }
    return result;
}

} // namespace

ConversionResult readPdf(const QString &path, ReadBudget budget,
                         const ConversionProgress &progress) {
    silencePoppler();
    if (!QFileInfo(path).isReadable())
        return ConversionResult::failure(Failure::Unreadable);
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
    if (!document)
        return ConversionResult::failure(Failure::Damaged);
    if (document->isLocked())
        return ConversionResult::failure(Failure::Protected);
    const int pages = document->numPages();
    if (pages <= 0)
        return ConversionResult::failure(Failure::Damaged);

    PageTextAssembler assembler;
    qint64 chars = 0;
    for (int i = 0; i < pages; ++i) {
        if (!progress.proceed(i, pages))
            return ConversionResult::failure(Failure::Cancelled);
        const std::unique_ptr<Poppler::Page> page = document->page(i);
        if (!page)
            continue;
        TextPage text = pageText(*page);
        for (const TextLine &line : std::as_const(text.lines))
            chars += line.text.size() + 1;
        if (!budget.spendChars(chars))
            return ConversionResult::failure(Failure::TooLarge);
        chars = 0;
        assembler.addPage(std::move(text));
    }
    if (!assembler.hasText())
        return ConversionResult::failure(Failure::NoTextLayer);
    return ConversionResult::success(assembler.take());
}

} // namespace zk
