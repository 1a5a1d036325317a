#include "app/MainWindow.h"

#include "app/Menus.h"
#include "display/ControlStrip.h"
#include "display/DisplayPanel.h"
#include "display/FullScreenWindow.h"
#include "display/RowGeometry.h"
#include "display/StatisticsBar.h"
#include "editor/EditorPanel.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QVBoxLayout>

namespace zk {

namespace {

const QString MeasuringText = QStringLiteral("0g2345678900g2345678900g2345678900g2345678900g234567890");

} // namespace

MainWindow::MainWindow(const StartupOptions &options)
    : m_options(options),
      m_ownClock(options.clock ? nullptr : std::make_unique<SteadyClock>()),
      m_clock(options.clock ? *options.clock : *m_ownClock), m_engine(*this), m_stats(m_clock)
{
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

    buildActions();
    buildMenus();
    buildTimers();
    wireControls();
    applyDisplayFont(QFont(QStringLiteral("Bookman Old Style"), 47), Qt::yellow);
    runStartup();
}

MainWindow::~MainWindow()
{
    ActCloseExecute();
    delete m_fullScreen.data();
}

QAction *MainWindow::action(const char *name) const
{
    return m_actions.value(QString::fromLatin1(name));
}

QTimer *MainWindow::timer(const char *name) const
{
    return m_timers.value(QString::fromLatin1(name));
}

bool MainWindow::checked(const char *name) const
{
    QAction *a = action(name);
    return a && a->isChecked();
}

void MainWindow::buildActions()
{
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
        {"actmaxlength1", &MainWindow::actmaxlength1},
    };
    for (const Named &n : list) {
        auto *a = new QAction(this);
        a->setObjectName(QString::fromLatin1(n.name));
        connect(a, &QAction::triggered, this, n.run);
        m_actions.insert(a->objectName(), a);
    }
}

void MainWindow::buildMenus()
{
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
    for (QAction *a : {action("MnFulScreen"), action("MnShowEdit"), action("MnHideEdit")})
        a->setShortcutContext(Qt::ApplicationShortcut);
    addAction(action("MnFulScreen"));
    addAction(action("MnShowEdit"));
    addAction(action("MnHideEdit"));

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

void MainWindow::pauseModeClick(const char *name)
{
    for (const char *mode : {"MnWithoutPause", "MnShortPause", "MnLongPause", "MnSmartPause"})
        action(mode)->setChecked(qstrcmp(mode, name) == 0);
    ActBeginToCount();
}

void MainWindow::buildTimers()
{
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
        {"TEditOn", 300, true, false, nullptr},
        {"TMusicOn", 500, true, false, nullptr},
        {"TmMusic", 1000, true, false, nullptr},
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

void MainWindow::wireControls()
{
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

    connect(m_editor, &QTextEdit::cursorPositionChanged, this,
            &MainWindow::RichEdit1SelectionChange);
    connect(m_editor, &QTextEdit::selectionChanged, this, &MainWindow::RichEdit1SelectionChange);

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

void MainWindow::applyDisplayFont(const QFont &font, const QColor &color)
{
    m_panel->setDisplayFont(font, color);
    if (m_fullScreen)
        m_fullScreen->panel()->setDisplayFont(font, color);
}

bool MainWindow::mainShown() const
{
    return isVisible();
}

bool MainWindow::fullScreenShown() const
{
    return m_fullScreen && m_fullScreen->isVisible();
}

// --- ChunkerHost ---------------------------------------------------------

int MainWindow::lineCount() const
{
    return m_editor->lineCount();
}

QString MainWindow::line(int index) const
{
    return m_editor->line(index);
}

ReadingOptions MainWindow::options() const
{
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

int MainWindow::rowLength() const
{
    return m_strip->UpDown3->value();
}

void MainWindow::setProgress(int percent)
{
    setProgressValue(percent);
}

void MainWindow::setProgressValue(int percent)
{
    m_settingProgress = true;
    m_strip->UpDown1->setValue(percent);
    m_settingProgress = false;
}

} // namespace zk
