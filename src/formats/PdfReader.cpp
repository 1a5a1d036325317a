#include "formats/PdfReader.h"
#include "formats/PageTextAssembler.h"

#include <poppler-qt6.h>

#include <QFileInfo>
#include <QThread>
#include <QVariant>

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

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

enum class PageOutcome { Read, TooLarge, Cancelled };

struct ReadPage {
    TextPage text;
    PageOutcome outcome = PageOutcome::Read;
};

ReadPage readPage(Poppler::Document &document, int index, int percent,
                  const ConversionProgress &progress) {
    ReadPage read;
    const std::unique_ptr<Poppler::Page> page = document.page(index);
    if (!page)
        return read;
    PageWatch watch;
    watch.percent = percent;
    watch.progress = &progress;
    read.text = pageText(*page, watch);
    read.outcome = watch.cancelled  ? PageOutcome::Cancelled
                   : watch.tooLarge ? PageOutcome::TooLarge
                                    : PageOutcome::Read;
    return read;
}

std::unique_ptr<Poppler::Document> openPdf(const QString &path) {
    std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
    return document && !document->isLocked() ? std::move(document) : nullptr;
}

// Every other page read on a second core, from a document of its own: Poppler's documents do
// not share their state, so two of them read side by side. It stays a few pages ahead of the
// reader that takes its pages in order.
class SecondCore final {
public:
    static constexpr int Ahead = 16;

    SecondCore(const QString &path, int pages) : m_pages(pages) {
        m_thread = std::thread([this, path] { run(path); });
    }

    ~SecondCore() {
        {
            const std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }

    // Odd pages come from here; nullopt when the second document could not be opened.
    std::optional<ReadPage> take(int index) {
        std::unique_lock lock(m_mutex);
        m_wanted = index;
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return m_failed || m_read.count(index) > 0; });
        if (m_read.count(index) == 0)
            return std::nullopt;
        ReadPage page = std::move(m_read[index]);
        m_read.erase(index);
        return page;
    }

private:
    void run(const QString &path) {
        try {
            readOddPages(path);
        } catch (const std::bad_alloc &) {
            // The first core reads on alone, and meets the same limit if the page is to blame.
            const std::lock_guard lock(m_mutex);
            m_failed = true;
            m_changed.notify_all();
        }
    }

    void readOddPages(const QString &path) {
        silencePoppler();
        const std::unique_ptr<Poppler::Document> document = openPdf(path);
        const ConversionProgress stopped([this](int) { return !m_stop.load(); });
        for (int i = 1; document && i < m_pages; i += 2) {
            {
                std::unique_lock lock(m_mutex);
                m_changed.wait(lock, [&] { return m_stop || i <= m_wanted + Ahead; });
                if (m_stop)
                    return;
            }
            ReadPage page = readPage(*document, i, -1, stopped);
            const std::lock_guard lock(m_mutex);
            m_read.emplace(i, std::move(page));
            m_changed.notify_all();
        }
        const std::lock_guard lock(m_mutex);
        m_failed = !document;
        m_changed.notify_all();
    }

    const int m_pages;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::atomic<bool> m_stop = false;
    int m_wanted = 0;
    bool m_failed = false;
    std::map<int, ReadPage> m_read;
    std::thread m_thread;
};

} // namespace

ConversionResult::Failure readPdfInPieces(const QString &path, ReadBudget budget,
                                          const ConversionProgress &progress,
                                          const PieceSink &sink) {
    silencePoppler();
    const QFileInfo info(path);
    if (!info.isReadable())
        return Failure::Unreadable;
    // Refused by its size before Poppler reads a byte: a sparse file of gigabytes costs nothing.
    if (!budget.spendBytes(info.size()))
        return Failure::TooLarge;
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
    if (!document)
        return Failure::Damaged;
    if (document->isLocked())
        return Failure::Protected;
    const int pages = document->numPages();
    if (pages <= 0)
        return Failure::Damaged;

    // A short document is read before a second one would have opened.
    constexpr int kSharedFrom = 24;
    std::unique_ptr<SecondCore> second;
    if (pages >= kSharedFrom && QThread::idealThreadCount() > 1)
        second = std::make_unique<SecondCore>(path, pages);

    PageTextAssembler assembler;
    for (int i = 0; i < pages; ++i) {
        if (!progress.proceed(i, pages))
            return Failure::Cancelled;
        std::optional<ReadPage> page;
        if (second && i % 2 == 1) {
            page = second->take(i);
            if (!page)
                second.reset();
        }
        if (!page)
            page = readPage(*document, i, static_cast<int>(qint64(i) * 100 / pages), progress);
        if (page->outcome == PageOutcome::Cancelled)
            return Failure::Cancelled;
        if (page->outcome == PageOutcome::TooLarge)
            return Failure::TooLarge;
        qint64 chars = 0;
        for (const TextLine &line : std::as_const(page->text.lines))
            chars += line.text.size() + 1;
        if (!budget.spendChars(chars))
            return Failure::TooLarge;
        assembler.addPage(std::move(page->text));
        sink(assembler.takeReady());
    }
    if (!assembler.hasText())
        return Failure::NoTextLayer;
    sink(assembler.take());
    return Failure::None;
}

ConversionResult readPdf(const QString &path, ReadBudget budget,
                         const ConversionProgress &progress) {
    return joinPieces(
        [&](const PieceSink &sink) { return readPdfInPieces(path, budget, progress, sink); });
}

} // namespace zk
