#include "app/AboutBox.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QIconEngine>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>

namespace zk {

namespace {

const QColor Silver(192, 192, 192);
const QColor Visited(128, 0, 128);

// A yellow eye on a dark rounded square, drawn at whatever size is asked for.
class EyeIconEngine final : public QIconEngine {
public:
    EyeIconEngine() = default;

    void paint(QPainter *p, const QRect &rect, QIcon::Mode mode, QIcon::State) override {
        const bool disabled = mode == QIcon::Disabled;
        const QColor back = disabled ? QColor(110, 110, 110) : QColor(31, 42, 68);
        const QColor ink = disabled ? QColor(200, 200, 200) : QColor(255, 206, 48);

        const qreal s = std::min(rect.width(), rect.height());
        const QPointF c = QRectF(rect).center();
        const QRectF square(c.x() - s / 2, c.y() - s / 2, s, s);

        p->save();
        p->setRenderHint(QPainter::Antialiasing);
        p->setPen(Qt::NoPen);
        p->setBrush(back);
        p->drawRoundedRect(square, s * 0.2, s * 0.2);

        // A quadratic curve peaks at half its control point's offset.
        const qreal halfWidth = s * 0.38;
        const qreal bulge = s * 0.42;
        QPainterPath eye;
        eye.moveTo(c.x() - halfWidth, c.y());
        eye.quadTo(c.x(), c.y() - bulge, c.x() + halfWidth, c.y());
        eye.quadTo(c.x(), c.y() + bulge, c.x() - halfWidth, c.y());
        p->setPen(
            QPen(ink, std::max<qreal>(1.0, s * 0.06), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p->setBrush(Qt::NoBrush);
        p->drawPath(eye);

        p->setPen(Qt::NoPen);
        p->setBrush(ink);
        p->drawEllipse(c, s * 0.145, s * 0.145);
        p->setBrush(back);
        p->drawEllipse(c, s * 0.065, s * 0.065);
        p->setBrush(QColor(255, 255, 255, disabled ? 120 : 230));
        p->drawEllipse(c + QPointF(-s * 0.05, -s * 0.05), s * 0.028, s * 0.028);
        p->restore();
    }

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter p(&image);
            paint(&p, QRect(QPoint(0, 0), size), mode, state);
        }
        return QPixmap::fromImage(image);
    }

    // Window systems pick the icon's sizes from this list.
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        return {{16, 16}, {24, 24}, {32, 32}, {48, 48}, {64, 64}, {128, 128}, {256, 256}};
    }

    QIconEngine *clone() const override { return new EyeIconEngine; }
};

QLabel *linkLabel(const QString &text, QWidget *parent) {
    auto *label = new QLabel(text, parent);
    QFont font = dialogFont(17);
    font.setUnderline(true);
    label->setFont(font);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, Qt::blue);
    label->setPalette(pal);
    label->setCursor(Qt::PointingHandCursor);
    label->adjustSize();
    return label;
}

} // namespace

QFont dialogFont(int pixelSize) {
    // Where the classic face is missing, a sans serif of its width keeps the layout's
    // proportions; the wider default sans serif would overrun the fixed positions.
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Nimbus Sans")});
    font.setPixelSize(pixelSize);
    return font;
}

QIcon programIcon() {
    const QIcon appIcon = QApplication::windowIcon();
    return appIcon.isNull() ? QIcon(new EyeIconEngine) : appIcon;
}

AboutBox::AboutBox(QWidget *parent, const QString &programFolder)
    : QDialog(parent), m_opener([](const QUrl &url) { return QDesktopServices::openUrl(url); }),
      m_documentation(documentationUrl(programFolder)) {
    setObjectName(QStringLiteral("TForm3"));
    setWindowTitle(QStringLiteral("Зоркан"));
    setWindowIcon(programIcon());
    setFont(dialogFont(14));
    setFixedSize(384, 154);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Silver);
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);

    m_image = new QLabel(this);
    m_image->setObjectName(QStringLiteral("Image1"));
    m_image->setGeometry(10, 20, 50, 50);
    m_image->setPixmap(windowIcon().pixmap(QSize(50, 50), devicePixelRatio()));
    m_image->setScaledContents(true);

    m_memo = new QTextEdit(this);
    m_memo->setObjectName(QStringLiteral("Memo1"));
    m_memo->setGeometry(69, 8, 304, 85);
    m_memo->setReadOnly(true);
    m_memo->setFrameShape(QFrame::NoFrame);
    m_memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_memo->setTextInteractionFlags(Qt::NoTextInteraction);
    m_memo->setFont(dialogFont(17));
    QPalette memoPal = m_memo->palette();
    memoPal.setColor(QPalette::Base, Silver);
    memoPal.setColor(QPalette::Text, Qt::black);
    m_memo->setPalette(memoPal);
    m_memo->document()->setDocumentMargin(2);
    QTextOption centred = m_memo->document()->defaultTextOption();
    centred.setAlignment(Qt::AlignHCenter);
    m_memo->document()->setDefaultTextOption(centred);
    m_memo->setPlainText(QStringList{QStringLiteral("Программа для быстрого чтения"),
                                     QStringLiteral("Зоркан 2.5 "),
                                     QStringLiteral("Разработка: команда Зоркана"), QString()}
                             .join(u'\n'));
    m_memo->viewport()->setCursor(Qt::ArrowCursor);
    m_memo->installEventFilter(this);
    m_memo->viewport()->installEventFilter(this);

    m_label1 = linkLabel(QStringLiteral("Справка о работе с программой"), this);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->move(10, 106);
    m_label1->installEventFilter(this);

    m_label2 = linkLabel(QStringLiteral("Описание программы"), this);
    m_label2->setObjectName(QStringLiteral("Label2"));
    m_label2->move(10, 126);
    m_label2->installEventFilter(this);
    m_label2->setVisible(m_documentation.isValid());
    m_label2->setToolTip(m_documentation.toLocalFile());

    m_button1 = new QPushButton(QStringLiteral("OK"), this);
    m_button1->setObjectName(QStringLiteral("Button1"));
    m_button1->setGeometry(283, 113, 92, 31);
    m_button1->setDefault(true);
    connect(m_button1, &QPushButton::clicked, this, &QDialog::accept);
    m_button1->setFocus();
}

AboutBox::~AboutBox() = default;

QUrl AboutBox::documentationUrl(const QString &programFolder) {
    // Beside a program run from its build folder, else where an install puts it.
    const QDir folder(programFolder);
    for (const QString &path : {folder.filePath(QStringLiteral("README.md")),
                                folder.filePath(QStringLiteral("../share/doc/zorkan/README.md"))}) {
        if (QFileInfo(path).isFile())
            return QUrl::fromLocalFile(QDir::cleanPath(folder.absoluteFilePath(path)));
    }
    return {};
}

void AboutBox::setHelpAvailable(bool available) {
    m_label1->setVisible(available);
}

void AboutBox::setUrlOpener(UrlOpener opener) {
    m_opener = std::move(opener);
}

void AboutBox::askForHelp() {
    markVisited(m_label1);
    m_helpAsked = true;
    accept();
}

void AboutBox::openDocumentation() {
    markVisited(m_label2);
    if (!m_opener || !m_documentation.isValid())
        return;
    try {
        m_opener(m_documentation);
    } catch (...) {
        // A desktop that cannot open the address is not the about box's concern.
    }
}

void AboutBox::markVisited(QLabel *label) {
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, Visited);
    label->setPalette(pal);
}

bool AboutBox::eventFilter(QObject *watched, QEvent *event) {
    if ((watched == m_memo || watched == m_memo->viewport()) && event->type() == QEvent::FocusIn) {
        m_button1->setFocus(Qt::OtherFocusReason);
        return false;
    }
    if (event->type() == QEvent::MouseButtonRelease &&
        (watched == m_label1 || watched == m_label2)) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        auto *label = static_cast<QLabel *>(watched);
        if (mouse->button() == Qt::LeftButton &&
            label->rect().contains(mouse->position().toPoint())) {
            if (label == m_label1)
                askForHelp();
            else
                openDocumentation();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace zk
