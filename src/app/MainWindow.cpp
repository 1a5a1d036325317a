#include "app/MainWindow.h"

#include "app/Dialogs.h"
#include "app/Menus.h"
#include "app/SignalWatcher.h"
#include "display/ControlStrip.h"
#include "display/DisplayPanel.h"
#include "display/FullScreenWindow.h"
#include "display/RowGeometry.h"
#include "display/StatisticsBar.h"
#include "editor/EditorPanel.h"
#include "formats/ChainedConverter.h"
#include "formats/LibreOfficeConverter.h"
#include "music/MusicPlayer.h"
#include "music/QtMediaBackend.h"
#include "reading/Chunker.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QVBoxLayout>

namespace zk {

namespace {

const QString MeasuringText =
    QStringLiteral("0g2345678900g2345678900g2345678900g2345678900g234567890");

} // namespace

MainWindow::MainWindow(const StartupOptions &options)
    : m_options(options), m_ownClock(options.clock ? nullptr : std::make_unique<SteadyClock>()),
      m_clock(options.clock ? *options.clock : *m_ownClock), m_engine(*this), m_stats(m_clock) {
    setObjectName(QStringLiteral("TForm1"));
    setWindowTitle(QStringLiteral("Зоркан"));
    setMinimumSize(487, 260);
    // Wide enough for the whole control strip.
    setGeometry(66, 54, ControlStrip::Width + 4, 418);

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_panel = new DisplayPanel(QStringLiteral("MainRow"), MeasuringText, central);
    m_panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_panel->setLineWidth(2);
    layout->addWidget(m_panel, 1);
    m_bar = new StatisticsBar(central);
    layout->addWidget(m_bar);
    setCentralWidget(central);

    m_strip = new ControlStrip(m_panel);
    m_editor = new EditorPanel(m_panel);

    m_dialogs = std::make_unique<QtDialogs>();
    // Documents convert while the window repaints; user input waits until the end.
    m_converter = std::make_unique<ChainedConverter>(std::make_unique<LibreOfficeConverter>(
        QStringLiteral("soffice"), std::chrono::seconds(60), [this] {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            return !m_terminationRequested && !m_shutDown;
        }));
    m_backend = std::make_unique<QtMediaBackend>();
    m_music = new MusicPlayer(m_backend.get(), this);
    buildActions();
    buildMenus();
    buildTimers();
    wireControls();
    applyDisplayFont(QFont(QStringLiteral("Bookman Old Style"), 47), Qt::yellow);
    if (SignalWatcher *watcher = options.termination) {
        connect(watcher, &SignalWatcher::terminationRequested, this,
                &MainWindow::requestTermination);
        m_terminationRequested = watcher->pending();
    }
    runStartup();
    m_startedUp = true;
}

MainWindow::~MainWindow() {
    ActCloseExecute();
    delete m_music;
    delete m_fullScreen.data();
}

void MainWindow::setMediaBackend(std::unique_ptr<MediaBackend> backend) {
    const bool resumeArmed = m_music->musicOnTimer()->isActive();
    delete m_music;
    m_backend = std::move(backend);
    m_music = new MusicPlayer(m_backend.get(), this);
    m_music->setMusicFolder(m_record.MusicFolder.value());
    m_music->setMusicFile(m_record.MusicFile.value());
    if (resumeArmed)
        m_music->musicOnTimer()->start();
}

void MainWindow::setDialogs(std::unique_ptr<Dialogs> dialogs) {
    m_dialogs = std::move(dialogs);
}

void MainWindow::setConverter(std::unique_ptr<DocumentConverter> converter) {
    m_converter = std::move(converter);
}

bool MainWindow::isEditorClipboardKey(QKeyCombination key) {
    for (QKeyCombination k : {QKeyCombination(Qt::ControlModifier, Qt::Key_A),
                              QKeyCombination(Qt::ControlModifier, Qt::Key_C),
                              QKeyCombination(Qt::ControlModifier, Qt::Key_Insert),
                              QKeyCombination(Qt::ControlModifier, Qt::Key_X),
                              QKeyCombination(Qt::ShiftModifier, Qt::Key_Delete),
                              QKeyCombination(Qt::ControlModifier, Qt::Key_V),
                              QKeyCombination(Qt::ShiftModifier, Qt::Key_Insert)}) {
        if (k == key)
            return true;
    }
    return false;
}

void MainWindow::buildActions() {
    MenuBuilder::buildCommands(commandItems(), this, m_actions);
    struct Named {
        QAction *Actions::*action;
        void (MainWindow::*run)();
    };
    static const Named list[] = {
        {&Actions::ActLocateSelStart, &MainWindow::ActLocateSelStart},
        {&Actions::ActBtStart, &MainWindow::BtStartClick},
        {&Actions::ActBtStop, &MainWindow::ActBtStopExecute},
        {&Actions::ActBtStartFull, &MainWindow::BtStartClick},
        {&Actions::ActBtStopFull, &MainWindow::BtStopClick},
        {&Actions::ActBeginToCount, &MainWindow::ActBeginToCount},
        {&Actions::ActClose, &MainWindow::ActCloseExecute},
        {&Actions::ActMaxLength2, &MainWindow::ActMaxLength2},
        {&Actions::ActHideEdit, &MainWindow::ActHideEdit},
        {&Actions::ActLoadFromFile, &MainWindow::ActLoadFromFile},
        {&Actions::ActCheckLines, &MainWindow::ActCheckLines},
        {&Actions::ActFulScreen, &MainWindow::MnFulScreenClick},
        {&Actions::ActGoToStart, &MainWindow::ActGoToStart},
        {&Actions::ActSetFont, &MainWindow::ActSetFont},
        {&Actions::ActHelp, &MainWindow::ActHelpExecute},
        {&Actions::actmaxlength1, &MainWindow::actmaxlength1},
        {&Actions::ActShowEdit, &MainWindow::MnShowEditClick},
    };
    for (const Named &n : list)
        connect(m_actions.*n.action, &QAction::triggered, this, n.run);
}

void MainWindow::buildMenus() {
    menuBar()->setObjectName(QStringLiteral("MainMenu1"));
    menuBar()->setNativeMenuBar(false);
    MenuBuilder::buildBar(menuBar(), mainMenuItems(), this, m_actions);
    m_popup1 = new QMenu(this);
    m_popup1->setObjectName(QStringLiteral("PopupMenu1"));
    MenuBuilder::buildPopup(m_popup1, displayPopupItems(), this, m_actions);
    m_popup3 = new QMenu(this);
    m_popup3->setObjectName(QStringLiteral("PopupMenu3"));
    MenuBuilder::buildPopup(m_popup3, statisticsPopupItems(), this, m_actions);
    connect(m_popup3, &QMenu::aboutToShow, this, &MainWindow::PopupMenu3Popup);
    m_popup2 = new QMenu(this);
    m_popup2->setObjectName(QStringLiteral("PopupMenu2"));
    MenuBuilder::buildPopup(m_popup2, editorPopupItems(), this, m_actions);
    for (QAction *a : findChildren<QAction *>()) {
        // Menu items only show their keys; the keys themselves belong to one action each.
        if (!a->shortcut().isEmpty())
            a->setShortcutContext(Qt::WidgetShortcut);
    }
    m_actions.N24->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    m_actions.PumCopy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    m_actions.PumCut->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    m_actions.PumPaste->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    m_actions.pum1->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_Insert));
    for (QAction *a : {m_actions.N24, m_actions.PumCopy, m_actions.PumCut, m_actions.PumPaste,
                       m_actions.pum1, m_actions.N38})
        a->setShortcutContext(Qt::WidgetShortcut);
    m_actions.N38->setShortcut(QKeySequence(Qt::Key_F2));
    m_actions.PumShowEdit->setShortcut(QKeySequence(Qt::Key_F2));
    m_actions.PumHideEdit->setShortcut(QKeySequence(Qt::Key_F2));
    m_actions.PumFullScreen->setShortcut(QKeySequence(Qt::Key_F3));
    for (QAction *a : {m_actions.PumShowEdit, m_actions.PumHideEdit, m_actions.PumFullScreen})
        a->setShortcutContext(Qt::WidgetShortcut);

    // The keys: F3 on the full-screen item, F2 and F1 on actions of their own.
    QAction *f3 = m_actions.MnFulScreen;
    f3->setShortcutContext(Qt::ApplicationShortcut);
    addAction(f3);
    QAction *f1 = m_actions.ActHelp;
    f1->setShortcut(QKeySequence(Qt::Key_F1));
    f1->setShortcutContext(Qt::ApplicationShortcut);
    addAction(f1);
    QAction *f2 = m_actions.ActShowEdit;
    f2->setShortcut(QKeySequence(Qt::Key_F2));
    f2->setShortcutContext(Qt::ApplicationShortcut);
    addAction(f2);

    m_memo1 = new QFrame(m_panel);
    m_memo1->setObjectName(QStringLiteral("Memo1"));
    m_memo1->setAutoFillBackground(true);
    m_memo1->setCursor(Qt::WaitCursor);
    m_memo1->hide();

    m_editor->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_editor, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { m_popup2->popup(m_editor->viewport()->mapToGlobal(pos)); });
    connect(m_popup2, &QMenu::aboutToShow, this, &MainWindow::PopupMenu2Popup);
    m_editor->installEventFilter(this);
    m_editor->pasteCommand = [this](const QString &text) { pasteText(text); };

    const struct {
        QAction *menu;
        void (MainWindow::*rule)();
    } rules[] = {{m_actions.N1, &MainWindow::N1Popup},
                 {m_actions.PumFile, &MainWindow::PumFilePopup},
                 {m_actions.N2, &MainWindow::N2Popup},
                 {m_actions.N22, &MainWindow::N22Popup},
                 {m_actions.PumTumes, &MainWindow::PumTumesPopup},
                 {m_actions.PumPause, &MainWindow::PumPausePopup}};
    for (const auto &r : rules)
        connect(r.menu->menu(), &QMenu::aboutToShow, this, r.rule);
    connect(m_popup1, &QMenu::aboutToShow, this, &MainWindow::PopupMenu1Popup);
    for (QAction *item : {m_actions.N4, m_actions.N40}) {
        QMenu *menu = item->menu();
        connect(menu, &QMenu::aboutToShow, this, [this, menu] { N4Popup(menu); });
    }

    struct Wire {
        QAction *Actions::*action;
        void (MainWindow::*run)();
    };
    static const Wire wires[] = {
        {&Actions::MnLoadFromFile, &MainWindow::ActLoadFromFile},
        {&Actions::N16, &MainWindow::ActLoadFromFile},
        {&Actions::MnExit, &MainWindow::ActCloseExecute},
        {&Actions::N61, &MainWindow::ActCloseExecute},
        {&Actions::PumExit, &MainWindow::ActCloseExecute},
        {&Actions::N13, &MainWindow::N13Click},
        {&Actions::PumFont, &MainWindow::N13Click},
        {&Actions::N14, &MainWindow::N14Click},
        {&Actions::PumBackGround, &MainWindow::N14Click},
        {&Actions::MnFulScreen, &MainWindow::MnFulScreenClick},
        {&Actions::PumFullScreen, &MainWindow::MnFulScreenClick},
        {&Actions::PumWindow, &MainWindow::MnFulScreenClick},
        {&Actions::PumStart, &MainWindow::BtStartClick},
        {&Actions::PumStop, &MainWindow::BtStopClick},
        {&Actions::MnShowEdit, &MainWindow::MnShowEditClick},
        {&Actions::PumShowEdit, &MainWindow::MnShowEditClick},
        {&Actions::PumHideEdit, &MainWindow::MnShowEditClick},
        {&Actions::MnHideEdit, &MainWindow::ActHideEdit},
        {&Actions::N38, &MainWindow::MnShowEditClick},
        {&Actions::MnLoadFromBuffer, &MainWindow::MnLoadFromBufferClick},
        {&Actions::N19, &MainWindow::MnLoadFromBufferClick},
        {&Actions::MnSaveEdit, &MainWindow::MnSaveEditClick},
        {&Actions::N58, &MainWindow::MnSaveEditClick},
        {&Actions::MnClearEdit, &MainWindow::MnClearEditClick},
        {&Actions::N59, &MainWindow::MnClearEditClick},
        {&Actions::N24, &MainWindow::N24Click},
        {&Actions::PumCopy, &MainWindow::PumCopyClick},
        {&Actions::PumCut, &MainWindow::PumCutClick},
        {&Actions::PumPaste, &MainWindow::PumPasteClick},
        {&Actions::pum1, &MainWindow::PumPasteClick},
        {&Actions::MnEditFont, &MainWindow::MnEditFontClick},
        {&Actions::N29, &MainWindow::MnEditFontClick},
        {&Actions::MnEditColor, &MainWindow::MnEditColorClick},
        {&Actions::N31, &MainWindow::MnEditColorClick},
        {&Actions::N34, &MainWindow::N34Click},
        {&Actions::Pum34, &MainWindow::N34Click},
        {&Actions::N35, &MainWindow::N35Click},
        {&Actions::Pum35, &MainWindow::N35Click},
        {&Actions::N36, &MainWindow::N36Click},
        {&Actions::N5, &MainWindow::N5Click},
        {&Actions::MnHelp, &MainWindow::ActHelpExecute},
        {&Actions::Pum36, &MainWindow::N36Click},
        {&Actions::N28, &MainWindow::N28Click},
        {&Actions::MnSetView, &MainWindow::MnSetViewClick},
        {&Actions::MnShowTimeAndSpeed, &MainWindow::MnShowTimeAndSpeedClick},
        {&Actions::MnShowTimeOfReading, &MainWindow::MnShowTimeOfReadingClick},
        {&Actions::PumShowTimeOfReading, &MainWindow::MnShowTimeOfReadingClick},
        {&Actions::MnShowTimeOfWork, &MainWindow::MnShowTimeOfWorkClick},
        {&Actions::PumShowTimeOfWork, &MainWindow::MnShowTimeOfWorkClick},
        {&Actions::MnShowSpeedInSigns, &MainWindow::MnShowSpeedInSignsClick},
        {&Actions::PumShowSpeedInSigns, &MainWindow::MnShowSpeedInSignsClick},
        {&Actions::MnShowSpeedInWords, &MainWindow::MnShowSpeedInWordsClick},
        {&Actions::PumShowSpeedInWords, &MainWindow::MnShowSpeedInWordsClick},
    };
    for (const Wire &w : wires)
        connect(m_actions.*w.action, &QAction::triggered, this, w.run);

    // Options: the main-menu items hold the state; pop-up twins run the same command.
    connect(m_actions.MnReactOnSigns, &QAction::triggered, this, &MainWindow::ActBeginToCount);
    for (QAction *mode : pauseModes())
        connect(mode, &QAction::triggered, this, [this, mode] { pauseModeClick(mode); });
    const Actions &a = m_actions;
    const std::pair<QAction *, QAction *> twins[] = {{a.PumDelMin, a.MnDelMin},
                                                     {a.PumReadNonStop, a.MnReadNonStop},
                                                     {a.PumReactOnFocus, a.MnReactOnFocus},
                                                     {a.PumReactOnSigns, a.MnReactOnSigns},
                                                     {a.PumWithoutPause, a.MnWithoutPause},
                                                     {a.PumShortPause, a.MnShortPause},
                                                     {a.PumLongPause, a.MnLongPause},
                                                     {a.PumSmartPause, a.MnSmartPause},
                                                     {a.PumShowTimeAndSpeed, a.MnShowTimeAndSpeed}};
    for (const auto &[popup, main] : twins)
        connect(popup, &QAction::triggered, main, &QAction::trigger);

    m_bar->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_bar, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { m_popup3->popup(m_bar->mapToGlobal(pos)); });
    for (QWidget *w : m_bar->findChildren<QWidget *>())
        w->setContextMenuPolicy(Qt::NoContextMenu);
    connect(m_bar->PnSigns, &StatPanel::doubleClicked, this, &MainWindow::MnShowSpeedInWordsClick);
    connect(m_bar->PnWords, &StatPanel::doubleClicked, this, &MainWindow::MnShowSpeedInSignsClick);

    m_panel->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_panel, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { m_popup1->popup(m_panel->mapToGlobal(pos)); });
}

std::array<QAction *, 4> MainWindow::pauseModes() const {
    return {m_actions.MnWithoutPause, m_actions.MnShortPause, m_actions.MnLongPause,
            m_actions.MnSmartPause};
}

void MainWindow::pauseModeClick(QAction *chosen) {
    for (QAction *mode : pauseModes())
        mode->setChecked(mode == chosen);
    ActBeginToCount();
}

void MainWindow::buildTimers() {
    struct Spec {
        QTimer *Timers::*timer;
        const char *name;
        int interval;
        bool singleShot;
        bool running;
        void (MainWindow::*run)();
    };
    static const Spec specs[] = {
        {&Timers::t1, "t1", 140, false, false, &MainWindow::T1Timer},
        {&Timers::T2, "T2", 1000, false, true, &MainWindow::T2Timer},
        {&Timers::timer1, "timer1", 1000, false, true, &MainWindow::Timer1Timer},
        {&Timers::TMaxLength, "TMaxLength", 110, true, true, &MainWindow::TMaxLengthTimer},
        {&Timers::TEditOn, "TEditOn", 300, true, false, &MainWindow::TEditOnTimer},
    };
    static_assert(std::size(specs) == sizeof(Timers) / sizeof(QTimer *), "a timer without a spec");
    for (const Spec &s : specs) {
        auto *t = new QTimer(this);
        t->setObjectName(QString::fromLatin1(s.name));
        t->setInterval(s.interval);
        t->setSingleShot(s.singleShot);
        connect(t, &QTimer::timeout, this, s.run);
        if (s.running)
            t->start();
        m_timers.*s.timer = t;
    }
    m_timers.t1->setTimerType(Qt::PreciseTimer);
    m_settle = new QTimer(this);
    m_settle->setSingleShot(true);
    m_settle->setInterval(200);
    connect(m_settle, &QTimer::timeout, this, [this] {
        if (QGuiApplication::applicationState() != Qt::ApplicationActive)
            applicationDeactivated();
    });
}

void MainWindow::wireControls() {
    connect(m_strip->BtStart, &QPushButton::clicked, this, &MainWindow::BtStartClick);
    connect(m_strip->BtStop, &QPushButton::clicked, this, &MainWindow::BtStopClick);
    connect(m_panel, &DisplayPanel::doubleClicked, this, &MainWindow::MainPanelDblClick);
    connect(m_panel, &DisplayPanel::rowDoubleClicked, this, &MainWindow::MainPanelDblClick);
    connect(m_panel, &DisplayPanel::resized, this, [this] { placeEditor(); });

    connect(m_strip->UpDown1, &QSpinBox::valueChanged, this, &MainWindow::Edit1Change);
    connect(m_strip->UpDown1, &UpDownBox::userStepped, this, &MainWindow::UpDown1Click);
    connect(m_strip->Panel7, &SpinnerPanel::doubleClicked, this, &MainWindow::Panel7DblClick);
    connect(m_strip->UpDown2, &QSpinBox::valueChanged, this, &MainWindow::Edit2Change);
    connect(m_strip->Panel8, &SpinnerPanel::doubleClicked, this,
            [this] { m_strip->UpDown2->setValue(140); });
    connect(m_strip->UpDown3, &QSpinBox::valueChanged, this, &MainWindow::Edit3Change);
    connect(m_strip->Panel9, &SpinnerPanel::doubleClicked, this,
            [this] { m_strip->UpDown3->setValue(10); });
    connect(m_strip->UpDown4, &QSpinBox::valueChanged, this, &MainWindow::ActCheckLines);
    connect(m_strip->Panel10, &SpinnerPanel::doubleClicked, this, [this] {
        if (m_strip->UpDown4->value() != 1)
            m_strip->UpDown4->setValue(1);
        else
            ActCheckLines();
    });
    for (QWidget *w : std::initializer_list<QWidget *>{m_strip->Panel7, m_strip->Panel8,
                                                       m_strip->Panel9, m_strip->Panel10}) {
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(w, &QWidget::customContextMenuRequested, this,
                [this, w](const QPoint &pos) { m_popup1->popup(w->mapToGlobal(pos)); });
    }

    connect(m_editor, &EditorPanel::cursorPositionChanged, this,
            &MainWindow::RichEdit1SelectionChange);
    connect(m_editor, &EditorPanel::selectionChanged, this, &MainWindow::RichEdit1SelectionChange);
    connect(m_editor, &EditorPanel::shownLinesCounted, this, &MainWindow::onShownLinesCounted);

    connect(m_bar->PnReading, &StatPanel::doubleClicked, this, [this] {
        m_bar->PnReading->setText(QStringLiteral("0:00:00"));
        m_stats.resetReadingTime();
    });
    connect(m_bar->PnWork, &StatPanel::doubleClicked, this, [this] { m_stats.resetWorkTime(); });

    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state == Qt::ApplicationActive) {
                    m_settle->stop();
                    if (m_deactivated)
                        applicationActivated();
                } else {
                    // Switching between our own windows passes through "inactive".
                    m_settle->start();
                }
            });
}

void MainWindow::applyDisplayFont(const QFont &font, const QColor &color) {
    m_panel->setDisplayFont(font, color);
    if (m_fullScreen)
        m_fullScreen->panel()->setDisplayFont(font, color);
}

bool MainWindow::mainShown() const {
    return isVisible();
}

bool MainWindow::fullScreenShown() const {
    return m_fullScreen && m_fullScreen->isVisible();
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_editor && event->type() == QEvent::KeyPress &&
        editorKey(static_cast<QKeyEvent *>(event)))
        return true;
    if (watched == m_editor && event->type() == QEvent::ShortcutOverride) {
        // Keep the editor's own clipboard keys from being handled before the filter.
        auto *key = static_cast<QKeyEvent *>(event);
        QKeyEvent probe(QEvent::KeyPress, key->key(), key->modifiers());
        if (isEditorClipboardKey(probe.keyCombination())) {
            event->accept();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// --- Menu opening rules -----------------------------------------------------

void MainWindow::fileMenuRule(QAction *loadBuffer, QAction *save, QAction *clear) {
    loadBuffer->setEnabled(!Chunker::trimmed(clipboardText()).isEmpty());
    const bool hasText = !m_editor->isBlank();
    save->setEnabled(hasText);
    clear->setEnabled(hasText);
}

void MainWindow::N1Popup() {
    fileMenuRule(m_actions.MnLoadFromBuffer, m_actions.MnSaveEdit, m_actions.MnClearEdit);
}

void MainWindow::PumFilePopup() {
    fileMenuRule(m_actions.N19, m_actions.N58, m_actions.N59);
}

void MainWindow::N2Popup() {
    const bool shown = m_editor->isVisible();
    m_actions.MnEditFont->setEnabled(shown);
    m_actions.MnEditColor->setEnabled(shown);
    m_actions.N13->setEnabled(!shown);
    m_actions.N14->setEnabled(!shown);
}

void MainWindow::N22Popup() {
    m_actions.MnPause->setEnabled(m_actions.MnReactOnSigns->isChecked());
}

void MainWindow::PumTumesPopup() {
    const Actions &a = m_actions;
    for (const auto &[popup, main] : {std::pair{a.PumDelMin, a.MnDelMin},
                                      {a.PumReadNonStop, a.MnReadNonStop},
                                      {a.PumReactOnFocus, a.MnReactOnFocus},
                                      {a.PumReactOnSigns, a.MnReactOnSigns}})
        popup->setChecked(main->isChecked());
}

void MainWindow::PumPausePopup() {
    const Actions &a = m_actions;
    for (const auto &[popup, main] : {std::pair{a.PumWithoutPause, a.MnWithoutPause},
                                      {a.PumShortPause, a.MnShortPause},
                                      {a.PumLongPause, a.MnLongPause},
                                      {a.PumSmartPause, a.MnSmartPause}})
        popup->setChecked(main->isChecked());
}

void MainWindow::PopupMenu1Popup() {
    const bool full = fullScreenShown();
    const bool editorHidden = !m_editor->isVisible();
    m_actions.PumStart->setVisible(!m_strip->BtStart->isHidden());
    m_actions.PumStop->setVisible(isReading());
    m_actions.PumWindow->setVisible(full);
    m_actions.PumFullScreen->setVisible(mainShown());
    m_actions.PumFullScreen->setEnabled(editorHidden);
    m_actions.PumShowEdit->setVisible(editorHidden);
    m_actions.PumShowEdit->setEnabled(!full);
    m_actions.PumHideEdit->setVisible(m_actions.MnHideEdit->isVisible());
    m_actions.PumFont->setEnabled(editorHidden);
    m_actions.PumBackGround->setEnabled(editorHidden);
}

// --- ChunkerHost ---------------------------------------------------------

int MainWindow::lineCount() const {
    return m_editor->lineCount();
}

QString MainWindow::line(int index) const {
    return m_editor->line(index);
}

ReadingOptions MainWindow::options() const {
    ReadingOptions o;
    o.ReactOnSigns = m_actions.MnReactOnSigns->isChecked();
    o.WithoutPause = m_actions.MnWithoutPause->isChecked();
    o.ShortPause = m_actions.MnShortPause->isChecked();
    o.LongPause = m_actions.MnLongPause->isChecked();
    o.SmartPause = m_actions.MnSmartPause->isChecked();
    o.DelMin = m_actions.MnDelMin->isChecked();
    o.ReadNonStop = m_actions.MnReadNonStop->isChecked();
    return o;
}

int MainWindow::rowLength() const {
    return m_strip->UpDown3->value();
}

void MainWindow::setProgress(int percent) {
    setProgressValue(percent);
}

void MainWindow::setProgressValue(int percent) {
    m_settingProgress = true;
    m_strip->UpDown1->setValue(percent);
    m_settingProgress = false;
}

} // namespace zk
