#include "display/DisplayPanel.h"

#include "display/FocusLetter.h"
#include "display/RowGeometry.h"

#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

namespace zk {

DisplayRow::DisplayRow(QWidget *parent) : QLabel(parent) {
    setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    setWordWrap(false);
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
    setTextFormat(Qt::PlainText);
    setContextMenuPolicy(Qt::NoContextMenu); // the panel's menu shows instead
    hide();
}

void DisplayRow::mousePressEvent(QMouseEvent *event) {
    // The second press of a double click arrives as a double-click event, so a
    // double click on a full-screen row acts once.
    if (event->button() == Qt::LeftButton)
        emit clicked();
    QLabel::mousePressEvent(event);
}

void DisplayRow::mouseDoubleClickEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
    event->accept();
}

void DisplayRow::setFocusColor(const QColor &color) {
    m_focus = color;
    update();
}

qreal DisplayRow::textLeft() const {
    const QFontMetricsF metrics(font());
    const QString piece = text();
    if (!m_focus.isValid())
        return (width() - metrics.horizontalAdvance(piece)) / 2;
    return FocusLetter::textLeft(metrics, piece, FocusLetter::index(piece), width() / 2.0, width());
}

void DisplayRow::paintEvent(QPaintEvent *event) {
    const QString piece = text();
    const qsizetype at = m_focus.isValid() ? FocusLetter::index(piece) : -1;
    if (at < 0) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter p(this);
    p.setFont(font());
    const QFontMetricsF metrics(font());
    const qreal baseline = (height() - metrics.height()) / 2 + metrics.ascent();
    qreal x = textLeft();
    const QColor normal = palette().color(QPalette::WindowText);
    const QString parts[] = {piece.left(at), piece.mid(at, 1), piece.mid(at + 1)};
    for (int i = 0; i < 3; ++i) {
        p.setPen(i == 1 ? m_focus : normal);
        p.drawText(QPointF(x, baseline), parts[i]);
        x += metrics.horizontalAdvance(parts[i]);
    }
}

DisplayPanel::DisplayPanel(const QString &rowPrefix, const QString &templateText, QWidget *parent)
    : QFrame(parent) {
    setObjectName(QStringLiteral("MainPanel"));
    setAcceptDrops(true);
    setAutoFillBackground(true);
    for (int i = 0; i < RowCount; ++i) {
        auto *r = new DisplayRow(this);
        r->setObjectName(rowPrefix + QString::number(i));
        r->setGeometry(1, 0, std::max(0, width() - 2), r->sizeHint().height());
        connect(r, &DisplayRow::clicked, this, &DisplayPanel::rowClicked);
        connect(r, &DisplayRow::doubleClicked, this, &DisplayPanel::rowDoubleClicked);
        m_rows.append(r);
    }
    templateRow()->setText(templateText);
    setBackground(Qt::black);
}

int DisplayPanel::rowHeight() const {
    // The template row sizes itself to its text in the panel's font.
    return templateRow()->sizeHint().height();
}

void DisplayPanel::layoutRows(int lineCount, int offset) {
    for (DisplayRow *r : m_rows)
        r->hide();
    const int n = std::clamp(lineCount, 0, PieceRows);
    const int h = rowHeight();
    m_rowTops = RowGeometry::tops(height(), n, h, offset);
    for (int i = 0; i < n; ++i) {
        DisplayRow *r = m_rows.at(i);
        r->setGeometry(1, m_rowTops.at(i), std::max(0, width() - 2), h);
        r->show();
    }
    m_rowsBottom = n > 0 ? m_rowTops.at(n - 1) + h : height() / 2;
    placeContext();
}

void DisplayPanel::setFocusColor(const QColor &color) {
    for (DisplayRow *r : m_rows)
        r->setFocusColor(color);
}

void DisplayPanel::setContext(const QString &text, qsizetype markStart, qsizetype markEnd,
                              const QColor &mark) {
    if (!m_context) {
        if (text.isEmpty())
            return;
        m_context = new QLabel(this);
        m_context->setObjectName(QStringLiteral("ContextStrip"));
        m_context->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        m_context->setWordWrap(true);
        m_context->setTextFormat(Qt::RichText);
        m_context->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_context->setAttribute(Qt::WA_TranslucentBackground);
    }
    QFont f = m_font;
    f.setPointSizeF(std::max(8.0, (f.pointSizeF() > 0 ? f.pointSizeF() : 12.0) * 0.25));
    m_contextFont = f;
    m_context->setFont(f);
    QPalette p = m_context->palette();
    p.setColor(QPalette::WindowText, m_color);
    m_context->setPalette(p);
    markStart = std::clamp<qsizetype>(markStart, 0, text.size());
    markEnd = std::clamp<qsizetype>(markEnd, markStart, text.size());
    const QString shown = mark.isValid() ? mark.name() : m_color.name();
    m_context->setText(text.left(markStart).toHtmlEscaped() +
                       QStringLiteral("<u><span style=\"color:%1\">").arg(shown) +
                       text.mid(markStart, markEnd - markStart).toHtmlEscaped() +
                       QStringLiteral("</span></u>") + text.mid(markEnd).toHtmlEscaped());
    m_context->setProperty("plain", text);
    m_context->setVisible(!text.isEmpty());
    placeContext();
}

QString DisplayPanel::context() const {
    return m_context && !m_context->isHidden() ? m_context->property("plain").toString()
                                               : QString();
}

void DisplayPanel::placeContext() {
    // The rows go back to their places whenever the strip is hidden.
    int lift = 0;
    const bool shown = m_context && !m_context->isHidden();
    const int bottomMargin = 4;
    if (shown) {
        const int margin = std::min(40, width() / 10);
        const int stripWidth = std::max(1, width() - 2 * margin);
        QFont f = m_contextFont;
        // The strip wants its text on up to three lines below the rows; the rows rise into
        // the free space above them first, then the strip's font shrinks, and only a panel
        // too small for one line of it gets the strip over the lowest row.
        auto linesFor = [&](const QFont &font) {
            const QFontMetrics fm(font);
            const QString plain = m_context->property("plain").toString();
            const int textHeight =
                fm.boundingRect(0, 0, stripWidth, 100000, Qt::TextWordWrap, plain).height();
            return std::clamp((textHeight + fm.lineSpacing() - 1) / fm.lineSpacing(), 1, 3);
        };
        const int headroom = m_rowTops.isEmpty() ? 0 : std::max(0, m_rowTops.first());
        const int below = height() - bottomMargin - m_rowsBottom;
        int spacing = QFontMetrics(f).lineSpacing();
        const int wanted = linesFor(f) * spacing;
        const int gap = std::clamp(below + headroom - wanted, 1, 8);
        const int freeBelow = below - gap;
        lift = std::clamp(wanted - freeBelow, 0, headroom);
        int room = freeBelow + lift;
        while (room < spacing && f.pointSizeF() > 6.0) {
            f.setPointSizeF(std::max(6.0, f.pointSizeF() - 1.0));
            spacing = QFontMetrics(f).lineSpacing();
        }
        m_context->setFont(f);
        const int lines = std::clamp(room / std::max(1, spacing), 1, linesFor(f));
        const int stripHeight = lines * spacing;
        const int top = room >= spacing ? m_rowsBottom - lift + gap
                                        : std::max(0, height() - bottomMargin - stripHeight);
        m_context->setGeometry(margin, top, stripWidth, stripHeight);
    }
    for (int i = 0; i < m_rowTops.size(); ++i)
        m_rows.at(i)->move(1, m_rowTops.at(i) - lift);
}

void DisplayPanel::clearRows(int from) {
    for (int i = std::max(0, from); i < PieceRows; ++i)
        m_rows.at(i)->clear();
}

void DisplayPanel::setHint(const QString &text) {
    if (!m_hint) {
        if (text.isEmpty())
            return;
        m_hint = new QLabel(this);
        m_hint->setObjectName(QStringLiteral("DisplayHint"));
        m_hint->setAlignment(Qt::AlignCenter);
        m_hint->setWordWrap(true);
        m_hint->setTextFormat(Qt::PlainText);
        m_hint->setAttribute(Qt::WA_TransparentForMouseEvents); // clicks and drops are the panel's
        m_hint->setAttribute(Qt::WA_TranslucentBackground);
        QFont f = m_hint->font();
        f.setPointSizeF(f.pointSizeF() * 1.2);
        m_hint->setFont(f);
        setDisplayFont(m_font, m_color);
    }
    m_hint->setText(text);
    m_hint->setVisible(!text.isEmpty());
    placeHint();
}

QString DisplayPanel::hint() const {
    return m_hint && !m_hint->isHidden() ? m_hint->text() : QString();
}

void DisplayPanel::placeHint() {
    if (!m_hint)
        return;
    const int margin = std::min(40, width() / 10);
    m_hint->setGeometry(margin, 0, std::max(0, width() - 2 * margin), height());
    m_hint->lower(); // under the control strip and the editor
}

void DisplayPanel::setBackground(const QColor &color) {
    QPalette p = palette();
    p.setColor(QPalette::Window, color);
    setPalette(p);
}

void DisplayPanel::setDisplayFont(const QFont &font, const QColor &color) {
    m_font = font;
    m_color = color;
    for (DisplayRow *r : m_rows) {
        r->setFont(font);
        QPalette p = r->palette();
        p.setColor(QPalette::WindowText, color);
        r->setPalette(p);
    }
    if (m_hint) {
        QPalette p = m_hint->palette();
        p.setColor(QPalette::WindowText, color);
        m_hint->setPalette(p);
    }
}

QColor DisplayPanel::background() const {
    return palette().color(QPalette::Window);
}

void DisplayPanel::mouseDoubleClickEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
    event->accept();
}

QString DisplayPanel::droppedFile(const QDropEvent *event) {
    // One local file; several at once would leave which one to read to chance.
    const QList<QUrl> urls = event->mimeData()->urls();
    return urls.size() == 1 && urls.first().isLocalFile() ? urls.first().toLocalFile() : QString();
}

bool DisplayPanel::acceptAsCopy(QDropEvent *event) {
    // The file is only read; a "move" would let the file manager delete it.
    if (droppedFile(event).isEmpty() || !(event->possibleActions() & Qt::CopyAction))
        return false;
    event->setDropAction(Qt::CopyAction);
    event->accept();
    return true;
}

void DisplayPanel::dragEnterEvent(QDragEnterEvent *event) {
    acceptAsCopy(event);
}

void DisplayPanel::dragMoveEvent(QDragMoveEvent *event) {
    acceptAsCopy(event);
}

void DisplayPanel::dropEvent(QDropEvent *event) {
    if (!acceptAsCopy(event))
        return;
    const QString path = droppedFile(event);
    // After the drop returns, so the file manager is not held while a book loads.
    QMetaObject::invokeMethod(
        this, [this, path] { emit fileDropped(path); }, Qt::QueuedConnection);
}

void DisplayPanel::fitRowWidths() {
    for (DisplayRow *r : m_rows)
        r->resize(std::max(0, width() - 2), r->height());
}

void DisplayPanel::resizeEvent(QResizeEvent *event) {
    QFrame::resizeEvent(event);
    fitRowWidths();
    placeHint();
    placeContext();
    emit resized();
}

} // namespace zk
