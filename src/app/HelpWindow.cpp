#include "app/HelpWindow.h"

#include "app/AboutBox.h"
#include "formats/RtfReader.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

namespace zk {

namespace {

QAction *namedAction(const QString &name, const QString &text, QObject *parent) {
    auto *action = new QAction(text, parent);
    action->setObjectName(name);
    return action;
}

} // namespace

HelpWindow::HelpWindow(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TForm4"));
    setWindowTitle(QStringLiteral("О работе с Зорканом 2.1"));
    setWindowIcon(programIcon());
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint);
    setFont(dialogFont(11));
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);
    resize(603, 360);

    m_menuBar = new QMenuBar(this);
    m_menuBar->setNativeMenuBar(false);
    m_menuBar->setFont(QApplication::font(m_menuBar));
    QAction *ok = namedAction(QStringLiteral("N5"), QStringLiteral("&OK"), this);
    connect(ok, &QAction::triggered, this, &QDialog::accept);
    m_menuBar->addAction(ok);

    m_richEdit = new QTextEdit(this);
    m_richEdit->setObjectName(QStringLiteral("RichEdit1"));
    m_richEdit->setReadOnly(true);
    m_richEdit->setFont(dialogFont(13));
    m_richEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette editPal = m_richEdit->palette();
    editPal.setColor(QPalette::Base, QColor(192, 192, 192));
    editPal.setColor(QPalette::Text, Qt::black);
    m_richEdit->setPalette(editPal);
    m_richEdit->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_richEdit, &QWidget::customContextMenuRequested, this, &HelpWindow::showContextMenu);

    m_popup = new QMenu(this);
    m_popup->setObjectName(QStringLiteral("PopupMenu1"));
    m_selectAll = namedAction(QStringLiteral("N1"), QStringLiteral("Выделить все "), this);
    m_selectAll->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    connect(m_selectAll, &QAction::triggered, m_richEdit, &QTextEdit::selectAll);
    m_copy = namedAction(QStringLiteral("N2"), QStringLiteral("Копировать"), this);
    m_copy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    connect(m_copy, &QAction::triggered, m_richEdit, &QTextEdit::copy);
    QAction *separator = namedAction(QStringLiteral("N3"), QString(), this);
    separator->setSeparator(true);
    QAction *back = namedAction(QStringLiteral("N4"), QStringLiteral("Вернуться"), this);
    connect(back, &QAction::triggered, this, &QDialog::accept);
    m_popup->addActions({m_selectAll, m_copy, separator, back});
    connect(m_popup, &QMenu::aboutToShow, this, &HelpWindow::prepareContextMenu);

    // The keys work while the pop-up is closed too.
    for (QAction *action : {m_selectAll, m_copy}) {
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(action);
    }

    m_readTimer = new QTimer(this);
    connect(m_readTimer, &QTimer::timeout, this, &HelpWindow::readMoreHelp);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(m_menuBar);
    layout->addWidget(m_richEdit);
}

HelpWindow::~HelpWindow() = default;

bool HelpWindow::loadRtf(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray rtf = file.readAll();
    if (file.error() != QFileDevice::NoError || !RtfReader::isRtf(rtf))
        return false;
    m_readTimer->stop();
    m_reader.reset();
    auto reader = std::make_unique<RtfReader>(rtf, m_richEdit->document());
    // About a screenful of even the densest RTF; the rest follows in steps short enough that
    // the window answers between them.
    if (reader->readMore(64 * 1024)) {
        m_reader = std::move(reader);
        m_readTimer->start();
    }
    m_richEdit->moveCursor(QTextCursor::Start);
    return true;
}

void HelpWindow::readMoreHelp() {
    if (m_reader && m_reader->readMore(32 * 1024))
        return;
    m_readTimer->stop();
    m_reader.reset();
}

void HelpWindow::prepareContextMenu() {
    m_copy->setEnabled(m_richEdit->textCursor().hasSelection());
}

void HelpWindow::showContextMenu(const QPoint &viewportPos) {
    m_popup->popup(m_richEdit->viewport()->mapToGlobal(viewportPos));
}

void HelpWindow::showEvent(QShowEvent *event) {
    // Centred on the desktop rather than over the main window, once.
    if (!m_centred) {
        m_centred = true;
        QScreen *screen = parentWidget() ? parentWidget()->screen() : this->screen();
        if (screen) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    QDialog::showEvent(event);
}

} // namespace zk
