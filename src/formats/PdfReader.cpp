#include "formats/PdfReader.h"
#include "formats/PageTextAssembler.h"

#include <poppler-qt6.h>

#include <QFileInfo>
#include <QVariant>

namespace zk {

namespace {

using Failure = ConversionResult::Failure;

// Poppler asks whether to stop about every ten operators of a page's content and at every
// string it shows: two million operators, or two hundred thousand strings, where the densest
// real page shows a few thousand.
constexpr qint64 kMaxPageQueries = 200'000;

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

// Poppler runs a page's content without a pause; its only hook inside a page is the question
// whether to stop. Counting the questions bounds the content one page may run, and so the words
// and memory it makes; every few thousand the progress is asked too.
struct PageWatch {
    qint64 queries = 0;
    int percent = -1;
    const ConversionProgress *progress = nullptr;
    bool tooLarge = false;
    bool cancelled = false;
};

bool shouldAbort(const QVariant &closure) {
    auto *watch = static_cast<PageWatch *>(closure.value<void *>());
    if (++watch->queries > kMaxPageQueries) {
        watch->tooLarge = true;
        return true;
    }
    if (watch->queries % 4096 == 0 && !watch->progress->proceed(watch->percent)) {
        watch->cancelled = true;
        return true;
    }
    return false;
}

TextPage pageText(const Poppler::Page &page, PageWatch &watch) {
    TextPage result;
    result.size = page.pageSizeF();
    bool spaceAfter = false;
    const std::vector<std::unique_ptr<Poppler::TextBox>> words = page.textList(
        Poppler::Page::Rotate0, shouldAbort, QVariant::fromValue(static_cast<void *>(&watch)));
    if (watch.tooLarge || watch.cancelled)
        return result;
    for (const std::unique_ptr<Poppler::TextBox> &word : words) {
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
    const QFileInfo info(path);
    if (!info.isReadable())
        return ConversionResult::failure(Failure::Unreadable);
    // Refused by its size before Poppler reads a byte: a sparse file of gigabytes costs nothing.
    if (!budget.spendBytes(info.size()))
        return ConversionResult::failure(Failure::TooLarge);
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
        PageWatch watch;
        watch.percent = static_cast<int>(qint64(i) * 100 / pages);
        watch.progress = &progress;
        TextPage text = pageText(*page, watch);
        if (watch.cancelled)
            return ConversionResult::failure(Failure::Cancelled);
        if (watch.tooLarge)
            return ConversionResult::failure(Failure::TooLarge);
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
