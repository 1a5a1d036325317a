#include "editor/text/PdfReader.h"
#include "editor/text/PageTextAssembler.h"

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

TextPage pageText(const Poppler::Page &page) {
    TextPage result;
    result.size = page.pageSizeF();
    const std::vector<std::unique_ptr<Poppler::TextBox>> words = page.textList();
    const Poppler::TextBox *continues = nullptr;
    for (const std::unique_ptr<Poppler::TextBox> &word : words) {
        // Words of one line are chained; a word the previous one does not point to starts a line.
        if (word.get() != continues || result.lines.isEmpty()) {
            result.lines.append(TextLine{word->boundingBox(), word->text(), false});
        } else {
            TextLine &line = result.lines.last();
            line.box = line.box.united(word->boundingBox());
            line.text += word->text();
        }
        if (word->hasSpaceAfter())
            result.lines.last().text += u' ';
        continues = word->nextWord();
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
