#include "display/StatisticsBar.h"

#include <QTimer>

#include <QEvent>
#include <QMouseEvent>

namespace zk {

StatPanel::StatPanel(const QString &name, const QString &caption, const QString &hint, int width,
                     QWidget *parent)
    : QLabel(caption, parent) {
    setObjectName(name);
    setToolTip(hint);
    setFixedWidth(width);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setTextFormat(Qt::PlainText);
    QFont f = font();
    f.setPointSize(9);
    setFont(f);
}

void StatPanel::mouseDoubleClickEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
    event->accept();
}

StatisticsBar::StatisticsBar(QWidget *parent) : QFrame(parent) {
    setObjectName(QStringLiteral("PnTimeAndSpeed"));
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setFixedHeight(Height);
    PnSigns = new StatPanel(QStringLiteral("PnSigns"),
                            QStringLiteral("  Скорость чтения в знаках в минуту"),
                            QStringLiteral("Переключить на скорость в словах в минуту"), 325, this);
    PnSigns1 = new StatPanel(QStringLiteral("PnSigns1"), QString(), QString(), 72, PnSigns);
    PnWords = new StatPanel(QStringLiteral("PnWords"),
                            QStringLiteral("  Скорость чтения в словах в минуту"),
                            QStringLiteral("Переключить на скорость в знаках в минуту"), 324, this);
    PnWords1 = new StatPanel(QStringLiteral("PnWords1"), QString(), QString(), 69, PnWords);
    PnReading = new StatPanel(QStringLiteral("PnReading"), QStringLiteral("0:00:00   "),
                              QStringLiteral("Установить время чтения --> 0"), 54, this);
    PnWork = new StatPanel(QStringLiteral("PnWork"), QString(),
                           QStringLiteral("Установить время работы --> 0"), 54, this);
    PnNote = new QLabel(this);
    PnNote->setObjectName(QStringLiteral("PnNote"));
    PnNote->setAutoFillBackground(true);
    PnNote->hide();
    m_noteTimer = new QTimer(this);
    m_noteTimer->setSingleShot(true);
    m_noteTimer->setInterval(NoteMs);
    connect(m_noteTimer, &QTimer::timeout, this, &StatisticsBar::hideNote);
    PnWords->hide();
    PnWork->hide();
    connect(PnSigns1, &StatPanel::doubleClicked, PnSigns, &StatPanel::doubleClicked);
    connect(PnWords1, &StatPanel::doubleClicked, PnWords, &StatPanel::doubleClicked);
    relayout();
}

void StatisticsBar::clearSpeeds() {
    PnWords1->clear();
    PnSigns1->clear();
}

void StatisticsBar::showSpeeds(int words, int signs) {
    PnWords1->setText(QString::number(words));
    PnSigns1->setText(QString::number(signs));
}

void StatisticsBar::showNote(const QString &text) {
    PnNote->setText(QStringLiteral("  ") + text);
    PnNote->setAccessibleName(text);
    PnNote->show();
    PnNote->raise();
    relayout();
    m_noteTimer->start();
}

void StatisticsBar::hideNote() {
    m_noteTimer->stop();
    PnNote->hide();
    PnNote->clear();
}

void StatisticsBar::relayout() {
    const int inner = height() - 2;
    int left = 1;
    for (StatPanel *p : {PnSigns, PnWords}) {
        if (p->isHidden())
            continue;
        p->setGeometry(left, 1, p->width(), inner);
        left += p->width();
    }
    PnSigns1->setGeometry(PnSigns->width() - PnSigns1->width(), 0, PnSigns1->width(), inner);
    PnWords1->setGeometry(PnWords->width() - PnWords1->width(), 0, PnWords1->width(), inner);
    int right = width() - 1;
    for (StatPanel *p : {PnReading, PnWork}) {
        if (p->isHidden())
            continue;
        right -= p->width();
        p->setGeometry(right, 1, p->width(), inner);
    }
    PnNote->setGeometry(1, 1, std::max(0, right - 1), inner);
}

void StatisticsBar::resizeEvent(QResizeEvent *event) {
    QFrame::resizeEvent(event);
    relayout();
}

bool StatisticsBar::event(QEvent *event) {
    if (event->type() == QEvent::LayoutRequest)
        relayout();
    return QFrame::event(event);
}

} // namespace zk
