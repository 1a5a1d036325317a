#include "formats/ChainedConverter.h"
#include "formats/BookArchive.h"
#include "formats/BookReaders.h"
#include "formats/DjvuReader.h"
#include "formats/DocxReader.h"
#include "formats/OdtReader.h"
#include "formats/PdfReader.h"
#include "formats/ZipEntries.h"

#include <QFile>

namespace zk {

namespace {

using Failure = ConversionResult::Failure;

enum class Kind { Other, Fb2, ZippedFb2, Epub, Html, Odt, Docx, Rtf, Pdf, Djvu };

Kind kindOf(const QString &path) {
    const auto has = [&path](QStringView suffix) {
        return path.endsWith(suffix, Qt::CaseInsensitive);
    };
    if (has(u".fb2"))
        return Kind::Fb2;
    if (has(u".zip"))
        return Kind::ZippedFb2;
    if (has(u".epub"))
        return Kind::Epub;
    if (has(u".htm") || has(u".html") || has(u".xhtml"))
        return Kind::Html;
    if (has(u".odt"))
        return Kind::Odt;
    if (has(u".docx") || has(u".docm") || has(u".dotx"))
        return Kind::Docx;
    if (has(u".rtf"))
        return Kind::Rtf;
    if (has(u".pdf"))
        return Kind::Pdf;
    if (has(u".djvu") || has(u".djv"))
        return Kind::Djvu;
    return Kind::Other;
}

std::optional<QByteArray> readFile(const QString &path, ReadBudget &budget) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return budget.readAll(file);
}

// A file that could not be read whole: beyond the budget, or not readable at all.
ConversionResult unreadable(const ReadBudget &budget) {
    return ConversionResult::failure(budget.bytesLeft() == 0 ? Failure::TooLarge
                                                             : Failure::Unreadable);
}

ConversionResult fromReader(std::optional<QString> text, bool damaged) {
    return text ? ConversionResult::success(std::move(*text), damaged)
                : ConversionResult::failure(Failure::Damaged);
}

} // namespace

ChainedConverter::ChainedConverter(std::unique_ptr<DocumentConverter> fallback, QString pageReader)
    : m_fallback(std::move(fallback)), m_pageReader(std::move(pageReader)) {}

bool ChainedConverter::readsNatively(const QString &path) {
    return kindOf(path) != Kind::Other && kindOf(path) != Kind::Rtf;
}

ConversionResult ChainedConverter::convertFile(const QString &path,
                                               const ConversionProgress &progress) {
    ReadBudget budget;
    bool damaged = false;
    const auto start =
        m_earlyStart ? PageReaderProcess::Start::Early : PageReaderProcess::Start::Whole;
    switch (kindOf(path)) {
    case Kind::Fb2:
        if (const auto bytes = readFile(path, budget)) {
            std::optional<QString> text = readFb2(*bytes, budget, &damaged);
            return fromReader(std::move(text), damaged);
        }
        return unreadable(budget);
    case Kind::Html:
        if (const auto bytes = readFile(path, budget)) {
            QString text = readHtml(*bytes);
            if (!budget.spendChars(text.size()))
                return ConversionResult::failure(Failure::TooLarge);
            return ConversionResult::success(std::move(text));
        }
        return unreadable(budget);
    case Kind::ZippedFb2: {
        const std::unique_ptr<BookArchive> archive = BookArchive::open(path, budget);
        const QStringList books = archive ? fb2Entries(*archive) : QStringList();
        const std::optional<qsizetype> chosen =
            books.size() > 1 ? progress.choose(entryLabels(books)) : 0;
        if (!chosen)
            return ConversionResult::failure(Failure::Cancelled);
        if (!books.isEmpty()) {
            if (const auto bytes = archive->read(books[*chosen], budget)) {
                std::optional<QString> text = readFb2(*bytes, budget, &damaged);
                return fromReader(std::move(text), damaged);
            }
        }
        return budget.bytesLeft() == 0 ? ConversionResult::failure(Failure::TooLarge)
                                       : ConversionResult::failure(Failure::Damaged);
    }
    case Kind::Epub: {
        std::optional<QString> text = readEpub(path, ReadBudget(), &damaged);
        return fromReader(std::move(text), damaged);
    }
    case Kind::Odt:
        return readOdt(path, ReadBudget(), progress);
    case Kind::Docx: {
        ConversionResult result = readDocx(path, ReadBudget(), progress);
        // What our reader refuses as damaged LibreOffice may still mend.
        if (result.failure() != Failure::Damaged || !m_fallback)
            return result;
        break;
    }
    case Kind::Rtf:
        if (!m_rtfReader)
            break;
        if (const auto bytes = readFile(path, budget)) {
            if (std::optional<QString> text = m_rtfReader(*bytes)) {
                if (!budget.spendChars(text->size()))
                    return ConversionResult::failure(Failure::TooLarge);
                ConversionResult result = ConversionResult::success(std::move(*text));
                if (result || !m_fallback)
                    return result;
            }
            break;
        }
        return unreadable(budget);
    case Kind::Pdf:
        if (!m_pageReader.isEmpty())
            return PageReaderProcess(m_pageReader)
                .read(PageReaderProcess::Format::Pdf, path, progress, start);
        return readPdf(path, ReadBudget(), progress);
    case Kind::Djvu:
        if (!m_pageReader.isEmpty())
            return PageReaderProcess(m_pageReader)
                .read(PageReaderProcess::Format::Djvu, path, progress, start);
        return readDjvu(path, ReadBudget(), progress);
    case Kind::Other:
        break;
    }
    if (!m_fallback)
        return ConversionResult::failure(Failure::ConverterMissing);
    return m_fallback->convert(path, progress);
}

} // namespace zk
