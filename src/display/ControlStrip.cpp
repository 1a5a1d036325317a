#include "display/ControlStrip.h"

#include "reading/DelaySteps.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>

namespace zk {

UpDownBox::UpDownBox(const QString &boxName, const QString &upDownName, QWidget *parent)
    : QSpinBox(parent) {
    setObjectName(upDownName);
    lineEdit()->setObjectName(boxName);
    lineEdit()->setReadOnly(true);
    lineEdit()->installEventFilter(this);
    installEventFilter(this);
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setGroupSeparatorShown(false);
    setKeyboardTracking(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    lineEdit()->setContextMenuPolicy(Qt::NoContextMenu);
    // The box shows its value on the button-face colour: it cannot be typed into.
    QPalette p = lineEdit()->palette();
    p.setColor(QPalette::Base, p.color(QPalette::Button));
    lineEdit()->setPalette(p);
    setPalette(p);
}

void UpDownBox::stepBy(int steps) {
    // Qt asks for ten steps with Ctrl and for several with a fast wheel; the step of the delay
    // depends on where it stands, so only single steps stay on its walk.
    if (steps == 0)
        return;
    const int before = value();
    QSpinBox::stepBy(steps > 0 ? 1 : -1);
    if (value() != before)
        emit userStepped();
}

void UpDownBox::keyPressEvent(QKeyEvent *event) {
    const int key = event->key();
    const bool arrow = key == Qt::Key_Up || key == Qt::Key_Down;
    if (key == Qt::Key_PageUp || key == Qt::Key_PageDown ||
        (arrow && (event->modifiers() & Qt::ControlModifier))) {
        event->accept();
        return;
    }
    QSpinBox::keyPressEvent(event);
}

bool UpDownBox::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::MouseButtonDblClick && watched == lineEdit()) {
        emit doubleClicked();
        return true;
    }
    return QSpinBox::eventFilter(watched, event);
}

SpinnerPanel::SpinnerPanel(const QString &name, const QString &caption, const QString &hint,
                           UpDownBox *box, int boxWidth, QWidget *parent)
    : QFrame(parent), m_box(box) {
    setObjectName(name);
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(3);
    setAutoFillBackground(true);
    setPalette(ControlStrip::ownPalette());
    setToolTip(hint);
    box->setToolTip(hint);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 3, 2);
    layout->setSpacing(2);
    auto *label = new QLabel(caption, this);
    QFont f = label->font();
    f.setPointSize(9);
    label->setFont(f);
    layout->addWidget(label, 1);
    box->setParent(this);
    box->setFixedWidth(boxWidth + 18);
    layout->addWidget(box);
    connect(box, &UpDownBox::doubleClicked, this, &SpinnerPanel::doubleClicked);
}

void SpinnerPanel::mouseDoubleClickEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
    event->accept();
}

QPalette ControlStrip::ownPalette() {
    // Every role set explicitly, so nothing is inherited from the dark display panel.
    QPalette p = QApplication::palette();
    for (int role = 0; role < QPalette::NColorRoles; ++role) {
        const auto r = static_cast<QPalette::ColorRole>(role);
        for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            p.setColor(group, r, p.color(group, r));
    }
    return p;
}

ControlStrip::ControlStrip(QWidget *panel) : QObject(panel) {
    BtStart = new QPushButton(QStringLiteral("Старт"), panel);
    BtStart->setObjectName(QStringLiteral("BtStart"));
    BtStop = new QPushButton(QStringLiteral("Стоп"), panel);
    BtStop->setObjectName(QStringLiteral("BtStop"));
    for (QPushButton *b : {BtStart, BtStop})
        b->setGeometry(7, 5, 120, 32);
    BtStop->hide();

    UpDown1 = new UpDownBox(QStringLiteral("Edit1"), QStringLiteral("UpDown1"), panel);
    UpDown1->setRange(0, 99);
    UpDown1->setWrapping(true);
    UpDown2 = new UpDownBox(QStringLiteral("Edit2"), QStringLiteral("UpDown2"), panel);
    UpDown2->setRange(DelaySteps::Minimum, DelaySteps::Maximum);
    UpDown2->setValue(DelaySteps::Default);
    UpDown2->setSingleStep(DelaySteps::stepFor(DelaySteps::Default));
    UpDown3 = new UpDownBox(QStringLiteral("Edit3"), QStringLiteral("UpDown3"), panel);
    UpDown3->setRange(1, 50);
    UpDown3->setValue(10);
    UpDown4 = new UpDownBox(QStringLiteral("Edit4"), QStringLiteral("UpDown4"), panel);
    UpDown4->setRange(1, 9);
    UpDown4->setValue(1);

    Panel7 = new SpinnerPanel(QStringLiteral("Panel7"), QStringLiteral(" Прочитано"),
                              QStringLiteral("В начало текста"), UpDown1, 34, panel);
    Panel8 = new SpinnerPanel(QStringLiteral("Panel8"), QStringLiteral(" Задержка"),
                              QStringLiteral("Задержка --> 140"), UpDown2, 44, panel);
    Panel9 = new SpinnerPanel(QStringLiteral("Panel9"), QStringLiteral("  Длина"),
                              QStringLiteral("Длина строки --> 10"), UpDown3, 34, panel);
    Panel10 = new SpinnerPanel(QStringLiteral("Panel10"), QStringLiteral("  Строки"),
                               QStringLiteral("Количество строк --> 1"), UpDown4, 34, panel);
    const int lefts[] = {130, 278, 426, 575};
    SpinnerPanel *panels[] = {Panel7, Panel8, Panel9, Panel10};
    for (int i = 0; i < 4; ++i)
        panels[i]->setGeometry(lefts[i], 5, 144, 31);
}

} // namespace zk
