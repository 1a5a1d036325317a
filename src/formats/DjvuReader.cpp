#include "formats/DjvuReader.h"
#include "formats/PageTextAssembler.h"

#include <libdjvu/ddjvuapi.h>
#include <libdjvu/miniexp.h>

#include <QFileInfo>

#include <cstring>
#include <memory>

namespace zk {

namespace {

using Failure = ConversionResult::Failure;

struct ContextDeleter {
    void operator()(ddjvu_context_t *c) const { ddjvu_context_release(c); }
};
struct DocumentDeleter {
    void operator()(ddjvu_document_t *d) const { ddjvu_document_release(d); }
};

// Messages only say that decoding got further; the state is asked of the document itself.
void drainMessages(ddjvu_context_t *context, bool wait) {
    if (wait)
        ddjvu_message_wait(context);
    while (ddjvu_message_peek(context))
        ddjvu_message_pop(context);
}

bool isZone(miniexp_t zone, const char *name) {
    return miniexp_consp(zone) && miniexp_symbolp(miniexp_car(zone)) &&
           std::strcmp(miniexp_to_name(miniexp_car(zone)), name) == 0;
}

// A zone is (type x0 y0 x1 y1 children-or-text...), y counted from the bottom of the page.
bool zoneBox(miniexp_t zone, double pageHeight, QRectF *box) {
    int v[4];
    miniexp_t p = miniexp_cdr(zone);
    for (int &value : v) {
        if (!miniexp_consp(p) || !miniexp_numberp(miniexp_car(p)))
            return false;
        value = miniexp_to_int(miniexp_car(p));
        p = miniexp_cdr(p);
    }
    *box = QRectF(QPointF(v[0], pageHeight - v[3]), QPointF(v[2], pageHeight - v[1])).normalized();
    return true;
}

miniexp_t zoneChildren(miniexp_t zone) {
    return miniexp_cdr(miniexp_cdr(miniexp_cdr(miniexp_cdr(miniexp_cdr(zone)))));
}

struct Walk {
    TextPage page;
    double height = 0;
    bool blockStarts = false;
    int depth = 0;
};

void walkZone(miniexp_t zone, Walk &walk) {
    // Hidden text nests a few levels (page, column, region, paragraph, line); deeper is junk.
    if (!miniexp_consp(zone) || ++walk.depth > 16) {
        --walk.depth;
        return;
    }
    const bool block = isZone(zone, "column") || isZone(zone, "region") || isZone(zone, "para");
    if (isZone(zone, "para"))
        walk.page.marksParagraphs = true;
    if (block)
        walk.blockStarts = true;
    // A line holds its text; a coarser zone may hold it too when the layer is that coarse.
    QString text;
    for (miniexp_t p = zoneChildren(zone); miniexp_consp(p); p = miniexp_cdr(p)) {
        if (miniexp_stringp(miniexp_car(p)))
            text += QString::fromUtf8(miniexp_to_str(miniexp_car(p)));
        else
            walkZone(miniexp_car(p), walk);
    }
    QRectF box;
    if (!text.isEmpty() && zoneBox(zone, walk.height, &box)) {
        walk.page.lines.append(TextLine{box, text, walk.blockStarts});
        walk.blockStarts = false;
    }
    --walk.depth;
}

TextPage pageText(miniexp_t text) {
    Walk walk;
    QRectF whole;
    if (!isZone(text, "page") || !zoneBox(text, 0, &whole))
        return {};
    walk.height = whole.height();
    walk.page.size = whole.size();
    walkZone(text, walk);
    return walk.page;
}

} // namespace

ConversionResult::Failure readDjvuInPieces(const QString &path, ReadBudget budget,
                                           const ConversionProgress &progress,
                                           const PieceSink &sink) {
    const QFileInfo info(path);
    if (!info.isReadable())
        return Failure::Unreadable;
    if (!budget.spendBytes(info.size()))
        return Failure::TooLarge;
    const std::unique_ptr<ddjvu_context_t, ContextDeleter> context(ddjvu_context_create("zorkan"));
    if (!context)
        return Failure::Unreadable;
    const std::unique_ptr<ddjvu_document_t, DocumentDeleter> document(
        ddjvu_document_create_by_filename_utf8(context.get(), path.toUtf8().constData(), 0));
    if (!document)
        return Failure::Damaged;
    while (!ddjvu_document_decoding_done(document.get())) {
        if (!progress.proceed())
            return Failure::Cancelled;
        drainMessages(context.get(), true);
    }
    if (ddjvu_document_decoding_error(document.get()))
        return Failure::Damaged;

    const int pages = ddjvu_document_get_pagenum(document.get());
    PageTextAssembler assembler;
    for (int i = 0; i < pages; ++i) {
        if (!progress.proceed(i, pages))
            return Failure::Cancelled;
        miniexp_t text;
        while ((text = ddjvu_document_get_pagetext(document.get(), i, "line")) == miniexp_dummy)
            drainMessages(context.get(), true);
        TextPage page = pageText(text);
        if (text != miniexp_nil)
            ddjvu_miniexp_release(document.get(), text);
        qint64 chars = 0;
        for (const TextLine &line : std::as_const(page.lines))
            chars += line.text.size() + 1;
        if (!budget.spendChars(chars))
            return Failure::TooLarge;
        assembler.addPage(std::move(page));
        sink(assembler.takeReady());
    }
    if (!assembler.hasText())
        return Failure::NoTextLayer;
    sink(assembler.take());
    return Failure::None;
}

ConversionResult readDjvu(const QString &path, ReadBudget budget,
                          const ConversionProgress &progress) {
    return joinPieces(
        [&](const PieceSink &sink) { return readDjvuInPieces(path, budget, progress, sink); });
}

} // namespace zk
