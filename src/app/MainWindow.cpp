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

QAction *MainWindow::action(const char *name) const {
    return m_actions.value(QString::fromLatin1(name));
}

QTimer *MainWindow::timer(const char *name) const {
    return m_timers.value(QString::fromLatin1(name));
}

bool MainWindow::checked(const char *name) const {
    QAction *a = action(name);
    return a && a->isChecked();
}

void MainWindow::buildActions() {
    struct Named {
        const char *name;
        void (MainWindow::*run)();
    };
    static const Named list[] = {
        {"ActLocateSelStart", &MainWindow::ActLocateSelStart},
        {"ActBtStart", &MainWindow::BtStartClick},
        {"ActBtStop", &MainWindow::ActBtStopExecute},
        {"ActBtStartFull", &MainWindow::BtStartClick},
        {"ActBtStopFull", &MainWindow::BtStopClick},
        {"ActBeginToCount", &MainWindow::ActBeginToCount},
        {"ActClose", &MainWindow::ActCloseExecute},
        {"ActMaxLength2", &MainWindow::ActMaxLength2},
        {"ActHideEdit", &MainWindow::ActHideEdit},
        {"ActLoadFromFile", &MainWindow::ActLoadFromFile},
        {"ActCheckLines", &MainWindow::ActCheckLines},
        {"ActFulScreen", &MainWindow::MnFulScreenClick},
        {"ActGoToStart", &MainWindow::ActGoToStart},
        {"ActSetFont", &MainWindow::ActSetFont},
        {"ActHelp", &MainWindow::ActHelpExecute},
        {"actmaxlength1", &MainWindow::actmaxlength1},
    };
    for (const Named &n : list) {
        auto *a = new QAction(this);
        a->setObjectName(QString::fromLatin1(n.name));
        connect(a, &QAction::triggered, this, n.run);
        m_actions.insert(a->objectName(), a);
    }
}

void MainWindow::buildMenus() {
    menuBar()->setObjectName(QStringLiteral("MainMenu1"));
    menuBar()->setNativeMenuBar(false);
    MenuBuilder::buildBar(menuBar(), mainMenuItems(), this);
    m_popup1 = new QMenu(this);
    m_popup1->setObjectName(QStringLiteral("PopupMenu1"));
    MenuBuilder::buildPopup(m_popup1, displayPopupItems(), this);
    m_popup3 = new QMenu(this);
    m_popup3->setObjectName(QStringLiteral("PopupMenu3"));
    MenuBuilder::buildPopup(m_popup3, statisticsPopupItems(), this);
    connect(m_popup3, &QMenu::aboutToShow, this, &MainWindow::PopupMenu3Popup);
    for (QAction *a : findChildren<QAction *>()) {
        if (!a->objectName().isEmpty() && !m_actions.contains(a->objectName()))
            m_actions.insert(a->objectName(), a);
    }
    m_popup2 = new QMenu(this);
    m_popup2->setObjectName(QStringLiteral("PopupMenu2"));
    MenuBuilder::buildPopup(m_popup2, editorPopupItems(), this);
    for (QAction *a : findChildren<QAction *>()) {
        if (!a->objectName().isEmpty() && !m_actions.contains(a->objectName()))
            m_actions.insert(a->objectName(), a);
        // Menu items only show their keys; the keys themselves belong to one action each.
        if (!a->shortcut().isEmpty())
            a->setShortcutContext(Qt::WidgetShortcut);
    }
    action("N24")->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    action("PumCopy")->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    action("PumCut")->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    action("PumPaste")->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    action("pum1")->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_Insert));
    for (const char *name : {"N24", "PumCopy", "PumCut", "PumPaste", "pum1", "N38"})
        action(name)->setShortcutContext(Qt::WidgetShortcut);
    action("N38")->setShortcut(QKeySequence(Qt::Key_F2));
    action("PumShowEdit")->setShortcut(QKeySequence(Qt::Key_F2));
    action("PumHideEdit")->setShortcut(QKeySequence(Qt::Key_F2));
    action("PumFullScreen")->setShortcut(QKeySequence(Qt::Key_F3));
    for (const char *name : {"PumShowEdit", "PumHideEdit", "PumFullScreen"})
        action(name)->setShortcutContext(Qt::WidgetShortcut);

    // The keys: F3 on the full-screen item, F2 and F1 on actions of their own.
    QAction *f3 = action("MnFulScreen");
    f3->setShortcutContext(Qt::ApplicationShortcut);
    addAction(f3);
    QAction *f1 = action("ActHelp");
    f1->setShortcut(QKeySequence(Qt::Key_F1));
    f1->setShortcutContext(Qt::ApplicationShortcut);
    addAction(f1);
    auto *f2 = new QAction(this);
    f2->setObjectName(QStringLiteral("ActShowEdit"));
    f2->setShortcut(QKeySequence(Qt::Key_F2));
    f2->setShortcutContext(Qt::ApplicationShortcut);
    connect(f2, &QAction::triggered, this, &MainWindow::MnShowEditClick);
    addAction(f2);
    m_actions.insert(f2->objectName(), f2);

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
        const char *menu;
        void (MainWindow::*rule)();
    } rules[] = {{"N1", &MainWindow::N1Popup},
                 {"PumFile", &MainWindow::PumFilePopup},
                 {"N2", &MainWindow::N2Popup},
                 {"N22", &MainWindow::N22Popup},
                 {"PumTumes", &MainWindow::PumTumesPopup},
                 {"PumPause", &MainWindow::PumPausePopup}};
    for (const auto &r : rules)
        connect(findChild<QMenu *>(QString::fromLatin1(r.menu)), &QMenu::aboutToShow, this, r.rule);
    connect(m_popup1, &QMenu::aboutToShow, this, &MainWindow::PopupMenu1Popup);
    for (const char *name : {"N4", "N40"}) {
        QMenu *menu = findChild<QMenu *>(QString::fromLatin1(name));
        connect(menu, &QMenu::aboutToShow, this, [this, menu] { N4Popup(menu); });
    }

    struct Wire {
        const char *name;
        void (MainWindow::*run)();
    };
    static const Wire wires[] = {
        {"MnLoadFromFile", &MainWindow::ActLoadFromFile},
        {"N16", &MainWindow::ActLoadFromFile},
        {"MnExit", &MainWindow::ActCloseExecute},
        {"N61", &MainWindow::ActCloseExecute},
        {"PumExit", &MainWindow::ActCloseExecute},
        {"N13", &MainWindow::N13Click},
        {"PumFont", &MainWindow::N13Click},
        {"N14", &MainWindow::N14Click},
        {"PumBackGround", &MainWindow::N14Click},
        {"MnFulScreen", &MainWindow::MnFulScreenClick},
        {"PumFullScreen", &MainWindow::MnFulScreenClick},
        {"PumWindow", &MainWindow::MnFulScreenClick},
        {"PumStart", &MainWindow::BtStartClick},
        {"PumStop", &MainWindow::BtStopClick},
        {"MnShowEdit", &MainWindow::MnShowEditClick},
        {"PumShowEdit", &MainWindow::MnShowEditClick},
        {"PumHideEdit", &MainWindow::MnShowEditClick},
        {"MnHideEdit", &MainWindow::ActHideEdit},
        {"N38", &MainWindow::MnShowEditClick},
        {"MnLoadFromBuffer", &MainWindow::MnLoadFromBufferClick},
        {"N19", &MainWindow::MnLoadFromBufferClick},
        {"MnSaveEdit", &MainWindow::MnSaveEditClick},
        {"N58", &MainWindow::MnSaveEditClick},
        {"MnClearEdit", &MainWindow::MnClearEditClick},
        {"N59", &MainWindow::MnClearEditClick},
        {"N24", &MainWindow::N24Click},
        {"PumCopy", &MainWindow::PumCopyClick},
        {"PumCut", &MainWindow::PumCutClick},
        {"PumPaste", &MainWindow::PumPasteClick},
        {"pum1", &MainWindow::PumPasteClick},
        {"MnEditFont", &MainWindow::MnEditFontClick},
        {"N29", &MainWindow::MnEditFontClick},
        {"MnEditColor", &MainWindow::MnEditColorClick},
        {"N31", &MainWindow::MnEditColorClick},
        {"N34", &MainWindow::N34Click},
        {"Pum34", &MainWindow::N34Click},
        {"N35", &MainWindow::N35Click},
        {"Pum35", &MainWindow::N35Click},
        {"N36", &MainWindow::N36Click},
        {"N5", &MainWindow::N5Click},
        {"MnHelp", &MainWindow::ActHelpExecute},
        {"Pum36", &MainWindow::N36Click},
        {"N28", &MainWindow::N28Click},
        {"MnSetView", &MainWindow::MnSetViewClick},
        {"MnShowTimeAndSpeed", &MainWindow::MnShowTimeAndSpeedClick},
        {"MnShowTimeOfReading", &MainWindow::MnShowTimeOfReadingClick},
        {"PumShowTimeOfReading", &MainWindow::MnShowTimeOfReadingClick},
        {"MnShowTimeOfWork", &MainWindow::MnShowTimeOfWorkClick},
        {"PumShowTimeOfWork", &MainWindow::MnShowTimeOfWorkClick},
        {"MnShowSpeedInSigns", &MainWindow::MnShowSpeedInSignsClick},
        {"PumShowSpeedInSigns", &MainWindow::MnShowSpeedInSignsClick},
        {"MnShowSpeedInWords", &MainWindow::MnShowSpeedInWordsClick},
        {"PumShowSpeedInWords", &MainWindow::MnShowSpeedInWordsClick},
    };
    for (const Wire &w : wires)
        connect(action(w.name), &QAction::triggered, this, w.run);

    // Options: the main-menu items hold the state; pop-up twins run the same command.
    connect(action("MnReactOnSigns"), &QAction::triggered, this, &MainWindow::ActBeginToCount);
    for (const char *name : {"MnWithoutPause", "MnShortPause", "MnLongPause", "MnSmartPause"})
        connect(action(name), &QAction::triggered, this, [this, name] { pauseModeClick(name); });
    const struct {
        const char *pum;
        const char *mn;
    } twins[] = {{"PumDelMin", "MnDelMin"},
                 {"PumReadNonStop", "MnReadNonStop"},
                 {"PumReactOnFocus", "MnReactOnFocus"},
                 {"PumReactOnSigns", "MnReactOnSigns"},
                 {"PumWithoutPause", "MnWithoutPause"},
                 {"PumShortPause", "MnShortPause"},
                 {"PumLongPause", "MnLongPause"},
                 {"PumSmartPause", "MnSmartPause"},
                 {"PumShowTimeAndSpeed", "MnShowTimeAndSpeed"}};
    for (const auto &t : twins) {
        QAction *main = action(t.mn);
        connect(action(t.pum), &QAction::triggered, main, &QAction::trigger);
    }

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

void MainWindow::pauseModeClick(const char *name) {
    for (const char *mode : {"MnWithoutPause", "MnShortPause", "MnLongPause", "MnSmartPause"})
        action(mode)->setChecked(qstrcmp(mode, name) == 0);
    ActBeginToCount();
}

void MainWindow::buildTimers() {
    struct Spec {
        const char *name;
        int interval;
        bool singleShot;
        bool running;
        void (MainWindow::*run)();
    };
    static const Spec specs[] = {
        {"t1", 140, false, false, &MainWindow::T1Timer},
        {"T2", 1000, false, true, &MainWindow::T2Timer},
        {"timer1", 1000, false, true, &MainWindow::Timer1Timer},
        {"TMaxLength", 110, true, true, &MainWindow::TMaxLengthTimer},
        {"TEditOn", 300, true, false, &MainWindow::TEditOnTimer},
    };
    for (const Spec &s : specs) {
        auto *t = new QTimer(this);
        t->setObjectName(QString::fromLatin1(s.name));
        t->setInterval(s.interval);
        t->setSingleShot(s.singleShot);
        if (s.run)
            connect(t, &QTimer::timeout, this, s.run);
        if (s.running)
            t->start();
        m_timers.insert(t->objectName(), t);
    }
    timer("t1")->setTimerType(Qt::PreciseTimer);
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

void MainWindow::fileMenuRule(const char *loadBuffer, const char *save, const char *clear) {
    action(loadBuffer)->setEnabled(!Chunker::trimmed(clipboardText()).isEmpty());
    const bool hasText = !m_editor->isBlank();
    action(save)->setEnabled(hasText);
    action(clear)->setEnabled(hasText);
}

void MainWindow::N1Popup() {
    fileMenuRule("MnLoadFromBuffer", "MnSaveEdit", "MnClearEdit");
}

void MainWindow::PumFilePopup() {
    fileMenuRule("N19", "N58", "N59");
}

void MainWindow::N2Popup() {
    const bool shown = m_editor->isVisible();
    action("MnEditFont")->setEnabled(shown);
    action("MnEditColor")->setEnabled(shown);
    action("N13")->setEnabled(!shown);
    action("N14")->setEnabled(!shown);
}

void MainWindow::N22Popup() {
    action("MnPause")->setEnabled(checked("MnReactOnSigns"));
}

void MainWindow::PumTumesPopup() {
    for (const char *name : {"DelMin", "ReadNonStop", "ReactOnFocus", "ReactOnSigns"})
        action(qPrintable(QLatin1String("Pum") + QLatin1String(name)))
            ->setChecked(checked(qPrintable(QLatin1String("Mn") + QLatin1String(name))));
}

void MainWindow::PumPausePopup() {
    for (const char *name : {"WithoutPause", "ShortPause", "LongPause", "SmartPause"})
        action(qPrintable(QLatin1String("Pum") + QLatin1String(name)))
            ->setChecked(checked(qPrintable(QLatin1String("Mn") + QLatin1String(name))));
}

void MainWindow::PopupMenu1Popup() {
    const bool full = fullScreenShown();
    const bool editorHidden = !m_editor->isVisible();
    action("PumStart")->setVisible(!m_strip->BtStart->isHidden());
    action("PumStop")->setVisible(isReading());
    action("PumWindow")->setVisible(full);
    action("PumFullScreen")->setVisible(mainShown());
    action("PumFullScreen")->setEnabled(editorHidden);
    action("PumShowEdit")->setVisible(editorHidden);
    action("PumShowEdit")->setEnabled(!full);
    action("PumHideEdit")->setVisible(action("MnHideEdit")->isVisible());
    action("PumFont")->setEnabled(editorHidden);
    action("PumBackGround")->setEnabled(editorHidden);
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
    o.ReactOnSigns = checked("MnReactOnSigns");
    o.WithoutPause = checked("MnWithoutPause");
    o.ShortPause = checked("MnShortPause");
    o.LongPause = checked("MnLongPause");
    o.SmartPause = checked("MnSmartPause");
    o.DelMin = checked("MnDelMin");
    o.ReadNonStop = checked("MnReadNonStop");
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
