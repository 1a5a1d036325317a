#include "app/MainWindow.h"

#include "app/Accessibility.h"
#include "app/Menus.h"
#include "app/SignalWatcher.h"
#include "app/commands/ComprehensionController.h"
#include "app/commands/DocumentController.h"
#include "app/commands/EditorController.h"
#include "app/commands/HelpController.h"
#include "app/commands/JournalController.h"
#include "app/commands/MusicController.h"
#include "app/commands/ReadingController.h"
#include "app/commands/SessionController.h"
#include "app/commands/SettingsController.h"
#include "app/commands/ViewController.h"
#include "display/Clock.h"
#include "display/ControlStrip.h"
#include "display/DisplayPanel.h"
#include "display/FullScreenWindow.h"
#include "display/StatisticsBar.h"
#include "editor/EditorPanel.h"
#include "formats/DocumentConverter.h"
#include "music/MediaBackend.h"
#include "music/MusicPlayer.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QVBoxLayout>

namespace zk {

namespace {

const QString MeasuringText =
    QStringLiteral("0g2345678900g2345678900g2345678900g2345678900g234567890");

} // namespace

MainWindow::MainWindow(const StartupOptions &options)
    : m_ownClock(options.clock ? nullptr : std::make_unique<SteadyClock>()) {
    m_parts.window = this;
    m_parts.options = options;
    m_parts.clock = options.clock ? options.clock : m_ownClock.get();
    m_parts.dialogs = std::make_unique<QtDialogs>();
    setObjectName(QStringLiteral("TForm1"));
    setWindowTitle(QStringLiteral("Зоркан"));
    setMinimumSize(487, 260);
    // Wide enough for the whole control strip.
    setGeometry(66, 54, ControlStrip::Width + 4, 418);
    accessibility::install();
    buildWidgets();
    accessibility::describeMainWindow(m_parts);
    buildMenus();
    buildTimers();

    m_journal = std::make_unique<JournalController>(m_parts);
    m_parts.journal = m_journal.get();
    m_comprehension = std::make_unique<ComprehensionController>(m_parts);
    m_parts.comprehension = m_comprehension.get();
    m_reading = std::make_unique<ReadingController>(m_parts);
    m_editing = std::make_unique<EditorController>(m_parts, m_editorMenu);
    m_documents = std::make_unique<DocumentController>(m_parts);
    m_view = std::make_unique<ViewController>(m_parts);
    m_settings = std::make_unique<SettingsController>(m_parts);
    m_music = std::make_unique<MusicController>(m_parts);
    m_help = std::make_unique<HelpController>(m_parts);
    m_session = std::make_unique<SessionController>(m_parts);
    m_parts.reading = m_reading.get();
    m_parts.editing = m_editing.get();
    m_parts.documents = m_documents.get();
    m_parts.view = m_view.get();
    m_parts.settings = m_settings.get();
    m_parts.music = m_music.get();
    m_parts.help = m_help.get();
    m_parts.session = m_session.get();

    connectCommands();
    connectMenuRules();
    connectControls();
    m_view->applyDisplayFont(QFont(QStringLiteral("Bookman Old Style"), 47), Qt::yellow);
    if (SignalWatcher *watcher = options.termination) {
        connect(watcher, &SignalWatcher::terminationRequested, m_session.get(),
                &SessionController::requestTermination);
        m_parts.terminationRequested = watcher->pending();
    }
    m_session->start();
    m_view->updateHint();
}

MainWindow::~MainWindow() {
    m_session->shutDown();
    m_music.reset();
    delete m_parts.fullScreen.data();
}

void MainWindow::buildWidgets() {
    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_parts.panel = new DisplayPanel(QStringLiteral("MainRow"), MeasuringText, central);
    m_parts.panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_parts.panel->setLineWidth(2);
    layout->addWidget(m_parts.panel, 1);
    m_parts.bar = new StatisticsBar(central);
    layout->addWidget(m_parts.bar);
    setCentralWidget(central);
    m_parts.strip = new ControlStrip(m_parts.panel);
    m_parts.editor = new EditorPanel(m_parts.panel);
}

void MainWindow::buildMenus() {
    Actions &a = m_parts.actions;
    MenuBuilder::buildCommands(commandItems(), this, a);
    menuBar()->setObjectName(QStringLiteral("MainMenu1"));
    menuBar()->setNativeMenuBar(false);
    MenuBuilder::buildBar(menuBar(), mainMenuItems(), this, a);
    m_parts.displayMenu = MenuBuilder::makeMenu(this);
    m_parts.displayMenu->setObjectName(QStringLiteral("PopupMenu1"));
    MenuBuilder::buildPopupMenu(m_parts.displayMenu, displayPopupItems(), this, a);
    m_statisticsMenu = MenuBuilder::makeMenu(this);
    m_statisticsMenu->setObjectName(QStringLiteral("PopupMenu3"));
    MenuBuilder::buildPopupMenu(m_statisticsMenu, statisticsPopupItems(), this, a);
    m_editorMenu = new QMenu(this);
    m_editorMenu->setObjectName(QStringLiteral("PopupMenu2"));
    MenuBuilder::buildPopupMenu(m_editorMenu, editorPopupItems(), this, a);

    // Menu items only show their keys; the keys themselves belong to one action each.
    for (QAction *action : findChildren<QAction *>()) {
        if (!action->shortcut().isEmpty())
            action->setShortcutContext(Qt::WidgetShortcut);
    }
    a.N24->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    a.PumCopy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    a.PumCut->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    a.PumPaste->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    a.pum1->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_Insert));
    a.N38->setShortcut(QKeySequence(Qt::Key_F2));
    a.PumShowEdit->setShortcut(QKeySequence(Qt::Key_F2));
    a.PumHideEdit->setShortcut(QKeySequence(Qt::Key_F2));
    a.PumFullScreen->setShortcut(QKeySequence(Qt::Key_F3));
    for (QAction *action : {a.N24, a.PumCopy, a.PumCut, a.PumPaste, a.pum1, a.N38, a.PumShowEdit,
                            a.PumHideEdit, a.PumFullScreen})
        action->setShortcutContext(Qt::WidgetShortcut);

    // The keys: F3 on the full-screen item, F2 and F1 on actions of their own.
    a.MnFulScreen->setShortcutContext(Qt::ApplicationShortcut);
    addAction(a.MnFulScreen);
    a.ActHelp->setShortcut(QKeySequence(Qt::Key_F1));
    a.ActHelp->setShortcutContext(Qt::ApplicationShortcut);
    addAction(a.ActHelp);
    a.ActShowEdit->setShortcut(QKeySequence(Qt::Key_F2));
    a.ActShowEdit->setShortcutContext(Qt::ApplicationShortcut);
    addAction(a.ActShowEdit);
    a.MnJournal->setShortcutContext(Qt::ApplicationShortcut);
    addAction(a.MnJournal);
    a.MnSchulte->setShortcutContext(Qt::ApplicationShortcut);
    addAction(a.MnSchulte);
    // Keys of either reading window (the full-screen one takes them when it is made).
    a.ActLoadFromFile->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    a.ActSaveEdit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    a.ActClose->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    a.ActStartStop->setShortcut(QKeySequence(Qt::Key_Space));
    a.ActStartStop->setAutoRepeat(false);
    for (QAction *action : readingWindowKeys())
        addAction(action);
    // Escape leaves full screen, so it belongs to that window alone.
    a.ActFulScreen->setShortcut(QKeySequence(Qt::Key_Escape));

    // Choices of one show radio marks; the handlers keep them exclusive, as before.
    const std::initializer_list<QAction *> choices[] = {
        {a.MnWithoutPause, a.MnShortPause, a.MnLongPause, a.MnSmartPause},
        {a.PumWithoutPause, a.PumShortPause, a.PumLongPause, a.PumSmartPause},
        {a.MnShowTimeOfReading, a.MnShowTimeOfWork},
        {a.MnShowSpeedInSigns, a.MnShowSpeedInWords},
        {a.PumShowTimeOfWork, a.PumShowTimeOfReading},
        {a.PumShowSpeedInSigns, a.PumShowSpeedInWords},
    };
    for (const auto &choice : choices) {
        auto *group = new QActionGroup(this);
        group->setExclusionPolicy(QActionGroup::ExclusionPolicy::None);
        for (QAction *action : choice)
            group->addAction(action);
    }
}

std::array<QAction *, 4> MainWindow::readingWindowKeys() const {
    const Actions &a = m_parts.actions;
    return {a.ActLoadFromFile, a.ActSaveEdit, a.ActClose, a.ActStartStop};
}

void MainWindow::buildTimers() {
    struct Setup {
        QTimer *Timers::*timer;
        const char *name;
        int interval;
        bool singleShot;
        bool running;
    };
    static const Setup setups[] = {
        {&Timers::t1, "t1", 140, false, false},
        {&Timers::T2, "T2", 1000, false, true},
        {&Timers::timer1, "timer1", 1000, false, true},
        {&Timers::TMaxLength, "TMaxLength", 110, true, true},
        {&Timers::TEditOn, "TEditOn", 300, true, false},
    };
    static_assert(std::size(setups) == sizeof(Timers) / sizeof(QTimer *),
                  "every timer needs a setup");
    for (const Setup &s : setups) {
        auto *t = new QTimer(this);
        t->setObjectName(QString::fromLatin1(s.name));
        t->setInterval(s.interval);
        t->setSingleShot(s.singleShot);
        if (s.running)
            t->start();
        m_parts.timers.*s.timer = t;
    }
    m_parts.timers.t1->setTimerType(Qt::PreciseTimer);
}

void MainWindow::connectCommands() {
    const Actions &a = m_parts.actions;
    auto on = [this](QAction *action, auto *owner, auto method) {
        connect(action, &QAction::triggered, owner, method);
    };
    ReadingController *reading = m_reading.get();
    for (QAction *x : {a.ActBtStart, a.ActBtStartFull, a.PumStart})
        on(x, reading, &ReadingController::start);
    on(a.ActBtStop, reading, &ReadingController::stop);
    on(a.ActStartStop, reading, &ReadingController::startOrStopByKey);
    on(a.ActBtStopFull, reading, &ReadingController::stopAndClear);
    on(a.PumStop, reading, &ReadingController::stopAndClear);
    on(a.ActBeginToCount, reading, &ReadingController::ActBeginToCount);
    on(a.MnReactOnSigns, reading, &ReadingController::ActBeginToCount);
    on(a.ActGoToStart, reading, &ReadingController::rewindToStart);
    on(a.ActCheckLines, reading, &ReadingController::fitRowCount);
    on(a.actmaxlength1, reading, &ReadingController::measureRowCapacity);
    on(a.ActMaxLength2, reading, &ReadingController::measureFullScreenRowCapacity);
    for (QAction *mode : reading->pauseModes())
        connect(mode, &QAction::triggered, reading,
                [reading, mode] { reading->choosePauseMode(mode); });
    reading->connectSteps();

    EditorController *editing = m_editing.get();
    on(a.ActLocateSelStart, editing, &EditorController::ActLocateSelStart);
    for (QAction *x : {a.ActShowEdit, a.MnShowEdit, a.PumShowEdit, a.PumHideEdit, a.N38})
        on(x, editing, &EditorController::toggleEditor);
    on(a.ActHideEdit, editing, &EditorController::hideEditor);
    on(a.MnHideEdit, editing, &EditorController::hideEditor);
    on(a.ActSetFont, editing, &EditorController::applyEditorFont);
    on(a.N24, editing, &EditorController::selectAll);
    on(a.PumCopy, editing, &EditorController::copySelection);
    on(a.PumCut, editing, &EditorController::cutSelection);
    on(a.PumPaste, editing, &EditorController::pasteClipboard);
    on(a.pum1, editing, &EditorController::pasteClipboard);
    on(a.MnEditFont, editing, &EditorController::chooseEditorFont);
    on(a.N29, editing, &EditorController::chooseEditorFont);
    on(a.MnEditColor, editing, &EditorController::chooseEditorBackground);
    on(a.N31, editing, &EditorController::chooseEditorBackground);

    DocumentController *documents = m_documents.get();
    for (QAction *x : {a.ActLoadFromFile, a.MnLoadFromFile, a.N16})
        on(x, documents, &DocumentController::loadFromFile);
    on(a.MnLoadFromBuffer, documents, &DocumentController::loadFromClipboard);
    on(a.N19, documents, &DocumentController::loadFromClipboard);
    on(a.MnSaveEdit, documents, &DocumentController::saveEditor);
    on(a.N58, documents, &DocumentController::saveEditor);
    on(a.ActSaveEdit, documents, &DocumentController::saveEditorByKey);
    on(a.MnClearEdit, documents, &DocumentController::clearEditor);
    on(a.N59, documents, &DocumentController::clearEditor);
    connect(m_parts.panel, &DisplayPanel::fileDropped, documents,
            &DocumentController::loadDroppedFile);

    JournalController *journal = m_journal.get();
    journal->follow(reading);
    m_comprehension->follow(reading);
    on(a.MnJournal, journal, &JournalController::showJournal);
    on(a.PumJournal, journal, &JournalController::showJournal);
    on(a.MnSchulte, journal, &JournalController::showExercise);
    on(a.PumSchulte, journal, &JournalController::showExercise);
    connect(journal, &JournalController::bookChosen, documents,
            [documents](const BookRecord &book) {
                documents->openRecentBook(book.path, book.lastLine);
            });

    ViewController *view = m_view.get();
    on(a.N13, view, &ViewController::chooseDisplayFont);
    on(a.PumFont, view, &ViewController::chooseDisplayFont);
    on(a.N14, view, &ViewController::chooseBackground);
    on(a.PumBackGround, view, &ViewController::chooseBackground);
    for (QAction *x : {a.ActFulScreen, a.MnFulScreen, a.PumFullScreen, a.PumWindow})
        on(x, view, &ViewController::toggleFullScreen);
    on(a.MnSetView, view, &ViewController::restoreView);
    on(a.MnShowTimeAndSpeed, view, &ViewController::toggleStatisticsBar);
    on(a.MnShowTimeOfReading, view, &ViewController::showReadingTimePanel);
    on(a.PumShowTimeOfReading, view, &ViewController::showReadingTimePanel);
    on(a.MnShowTimeOfWork, view, &ViewController::showWorkTimePanel);
    on(a.PumShowTimeOfWork, view, &ViewController::showWorkTimePanel);
    on(a.MnShowSpeedInSigns, view, &ViewController::showSignSpeedPanel);
    on(a.PumShowSpeedInSigns, view, &ViewController::showSignSpeedPanel);
    on(a.MnShowSpeedInWords, view, &ViewController::showWordSpeedPanel);
    on(a.PumShowSpeedInWords, view, &ViewController::showWordSpeedPanel);

    on(a.N28, m_settings.get(), &SettingsController::restoreSettings);
    for (QAction *x : {a.N34, a.Pum34})
        on(x, m_music.get(), &MusicController::chooseMusicFile);
    for (QAction *x : {a.N35, a.Pum35})
        on(x, m_music.get(), &MusicController::startMusic);
    for (QAction *x : {a.N36, a.Pum36})
        on(x, m_music.get(), &MusicController::stopMusic);
    on(a.N5, m_help.get(), &HelpController::showAbout);
    on(a.ActHelp, m_help.get(), &HelpController::showHelp);
    on(a.MnHelp, m_help.get(), &HelpController::showHelp);
    for (QAction *x : {a.ActClose, a.MnExit, a.N61, a.PumExit})
        on(x, m_session.get(), &SessionController::shutDown);

    // Options: the main-menu items hold the state; pop-up twins run the same command.
    const std::pair<QAction *, QAction *> twins[] = {
        {a.PumDelMin, a.MnDelMin},
        {a.PumReadNonStop, a.MnReadNonStop},
        {a.PumReactOnFocus, a.MnReactOnFocus},
        {a.PumReactOnSigns, a.MnReactOnSigns},
        {a.PumWithoutPause, a.MnWithoutPause},
        {a.PumShortPause, a.MnShortPause},
        {a.PumLongPause, a.MnLongPause},
        {a.PumSmartPause, a.MnSmartPause},
        {a.PumCheckUnderstanding, a.MnCheckUnderstanding},
        {a.PumSpeedLadder, a.MnSpeedLadder},
        {a.PumLongWords, a.MnLongWords},
        {a.PumRampUp, a.MnRampUp},
        {a.PumFocusLetter, a.MnFocusLetter},
        {a.PumContextOnStop, a.MnContextOnStop},
        {a.PumShowTimeAndSpeed, a.MnShowTimeAndSpeed}};
    for (const auto &[popup, main] : twins)
        connect(popup, &QAction::triggered, main, &QAction::trigger);
}

void MainWindow::connectMenuRules() {
    const Actions &a = m_parts.actions;
    auto rule = [this](QMenu *menu, auto *owner, auto method) {
        connect(menu, &QMenu::aboutToShow, owner, method);
    };
    rule(a.N1->menu(), m_documents.get(), &DocumentController::prepareMainFileMenu);
    rule(a.PumFile->menu(), m_documents.get(), &DocumentController::prepareDisplayFileMenu);
    rule(a.N2->menu(), m_view.get(), &ViewController::prepareViewMenu);
    QMenu *recent = a.MnRecentBooks->menu();
    connect(recent, &QMenu::aboutToShow, m_journal.get(),
            [this, recent] { m_journal->fillRecentBooks(recent); });
    rule(m_parts.displayMenu, m_view.get(), &ViewController::prepareDisplayMenu);
    rule(m_statisticsMenu, m_view.get(), &ViewController::syncStatisticsMenu);
    rule(a.N22->menu(), m_settings.get(), &SettingsController::prepareSettingsMenu);
    rule(a.PumTumes->menu(), m_settings.get(), &SettingsController::syncOptionsMenu);
    rule(a.PumPause->menu(), m_settings.get(), &SettingsController::syncPauseMenu);
    for (QAction *item : {a.N4, a.N40}) {
        QMenu *menu = item->menu();
        connect(menu, &QMenu::aboutToShow, m_music.get(),
                [this, menu] { m_music->prepareMusicMenu(menu); });
    }
}

void MainWindow::connectControls() {
    ControlStrip *strip = m_parts.strip;
    DisplayPanel *panel = m_parts.panel;
    StatisticsBar *bar = m_parts.bar;
    ReadingController *reading = m_reading.get();
    connect(strip->BtStart, &QPushButton::clicked, reading, &ReadingController::start);
    connect(strip->BtStop, &QPushButton::clicked, reading, &ReadingController::stopAndClear);
    connect(panel, &DisplayPanel::doubleClicked, reading, &ReadingController::toggleReading);
    connect(panel, &DisplayPanel::rowDoubleClicked, reading, &ReadingController::toggleReading);

    connect(strip->UpDown1, &QSpinBox::valueChanged, reading,
            &ReadingController::onProgressChanged);
    connect(strip->UpDown1, &UpDownBox::userStepped, reading, &ReadingController::jumpToProgress);
    connect(strip->Panel7, &SpinnerPanel::doubleClicked, reading,
            &ReadingController::resetProgressToStart);
    connect(strip->UpDown2, &QSpinBox::valueChanged, reading, &ReadingController::onDelayChanged);
    connect(strip->Panel8, &SpinnerPanel::doubleClicked, this,
            [strip] { strip->UpDown2->setValue(140); });
    connect(strip->UpDown3, &QSpinBox::valueChanged, reading,
            &ReadingController::onRowLengthChanged);
    connect(strip->Panel9, &SpinnerPanel::doubleClicked, this,
            [strip] { strip->UpDown3->setValue(10); });
    connect(strip->UpDown4, &QSpinBox::valueChanged, reading, &ReadingController::fitRowCount);
    connect(strip->Panel10, &SpinnerPanel::doubleClicked, reading, [strip, reading] {
        if (strip->UpDown4->value() != 1)
            strip->UpDown4->setValue(1);
        else
            reading->fitRowCount();
    });

    const Timers &t = m_parts.timers;
    connect(t.t1, &QTimer::timeout, reading, &ReadingController::tick);
    connect(t.T2, &QTimer::timeout, reading, &ReadingController::showReadingStatistics);
    connect(t.timer1, &QTimer::timeout, reading, &ReadingController::showWorkTime);
    connect(t.TMaxLength, &QTimer::timeout, reading, &ReadingController::measureMainCapacityNow);
    connect(t.TEditOn, &QTimer::timeout, m_editing.get(), &EditorController::showEditorAtStart);

    // Pop-up menus: the display's over the display and the spinners, the bar's over the bar.
    QMenu *displayMenu = m_parts.displayMenu;
    for (QWidget *w : std::initializer_list<QWidget *>{panel, strip->Panel7, strip->Panel8,
                                                       strip->Panel9, strip->Panel10}) {
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(w, &QWidget::customContextMenuRequested, this,
                [w, displayMenu](const QPoint &pos) { displayMenu->popup(w->mapToGlobal(pos)); });
    }
    bar->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(bar, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { m_statisticsMenu->popup(m_parts.bar->mapToGlobal(pos)); });
    for (QWidget *w : bar->findChildren<QWidget *>())
        w->setContextMenuPolicy(Qt::NoContextMenu);
    connect(bar->PnSigns, &StatPanel::doubleClicked, m_view.get(),
            &ViewController::showWordSpeedPanel);
    connect(bar->PnWords, &StatPanel::doubleClicked, m_view.get(),
            &ViewController::showSignSpeedPanel);
    connect(bar->PnReading, &StatPanel::doubleClicked, m_view.get(),
            &ViewController::resetReadingTime);
    connect(bar->PnWork, &StatPanel::doubleClicked, m_view.get(), &ViewController::resetWorkTime);
}

void MainWindow::createFullScreenWindow() {
    m_view->createFullScreenWindow();
    connect(m_parts.fullScreen->panel(), &DisplayPanel::fileDropped, m_documents.get(),
            &DocumentController::loadDroppedFile);
    m_parts.fullScreen->addAction(m_parts.actions.MnJournal);
    m_parts.fullScreen->addAction(m_parts.actions.MnSchulte);
    for (QAction *action : readingWindowKeys())
        m_parts.fullScreen->addAction(action);
    m_parts.fullScreen->addAction(m_parts.actions.ActFulScreen);
    m_parts.fullScreen->addActions(m_reading->stepKeys());
    m_session->startShown();
}

void MainWindow::openHandedFile(const QString &path) {
    m_documents->openHandedFile(path);
}

void MainWindow::shutDown() {
    m_session->shutDown();
}

bool MainWindow::isReading() const {
    return m_reading->isReading();
}

ReadingEngine &MainWindow::engine() {
    return m_reading->engine();
}

Statistics &MainWindow::statistics() {
    return m_reading->statistics();
}

MusicPlayer *MainWindow::music() const {
    return m_music->player();
}

FullScreenWindow *MainWindow::fullScreenWindow() const {
    return m_parts.fullScreen.data();
}

void MainWindow::setDialogs(std::unique_ptr<Dialogs> dialogs) {
    m_parts.dialogs = std::move(dialogs);
}

void MainWindow::setConverter(std::unique_ptr<DocumentConverter> converter) {
    m_documents->setConverter(std::move(converter));
}

void MainWindow::setMediaBackend(std::unique_ptr<MediaBackend> backend) {
    m_music->setMediaBackend(std::move(backend));
}

void MainWindow::setClipboardText(std::function<QString()> text) {
    m_parts.clipboardSource = std::move(text);
}

void MainWindow::resizeEvent(QResizeEvent *event) {
    QMainWindow::resizeEvent(event);
    if (m_view)
        m_view->onWindowResized();
}

void MainWindow::showEvent(QShowEvent *event) {
    QMainWindow::showEvent(event);
    if (!event->spontaneous() && m_view)
        m_view->onWindowShown();
}

void MainWindow::closeEvent(QCloseEvent *event) {
    m_session->shutDown();
    event->accept();
}

} // namespace zk
