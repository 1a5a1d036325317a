// Start-up, shut-down, activation, full screen and the editor's reading position.
#include "app/MainWindow.h"

#include "app/BusyCursor.h"
#include "app/Dialogs.h"
#include "app/SessionRescue.h"

#include "display/ControlStrip.h"
#include "display/DisplayPanel.h"
#include "display/FullScreenWindow.h"
#include "display/RowGeometry.h"
#include "display/StatisticsBar.h"
#include "editor/EditorPanel.h"
#include "formats/TextCodec.h"
#include "music/MusicPlayer.h"
#include "reading/Chunker.h"
#include "settings/SafeFile.h"
#include "settings/SettingsFile.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLayout>
#include <QMenu>
#include <QScreen>
#include <QTextCursor>

#include <cstdio>

namespace zk {

namespace {

const QString LastEditName = QStringLiteral("LastEdit");
// Far beyond any book, short of what the editor could hold.
constexpr qint64 MaxTextBytes = qint64(1) << 30;

} // namespace

QString MainWindow::loadTextFile(const QString &path, bool *ok, QString *problem) {
    const SafeFile::Content content = SafeFile::read(path, MaxTextBytes);
    const QString failure =
        content.truncated ? QStringLiteral("файл слишком велик") : content.problem;
    if (problem)
        *problem = failure;
    *ok = failure.isEmpty();
    return *ok ? TextCodec::decode(content.bytes) : QString();
}

bool MainWindow::saveTextFile(const QString &path, const QString &text, QString *problem) {
    const QString failure = SafeFile::write(path, TextCodec::encode(text));
    if (problem)
        *problem = failure;
    return failure.isEmpty();
}

void MainWindow::logProblem(const QString &text) {
    std::fprintf(stderr, "zorkan: %s\n", text.toLocal8Bit().constData());
}

void MainWindow::tellSaveFailure(const QString &failure) {
    logProblem(failure);
    if (m_unattended)
        SessionRescue(m_options.userDataFolder).addNote(failure);
    else
        m_dialogs->message(dialogParent(), failure);
}

void MainWindow::tellLastSessionNote() {
    const QString note = SessionRescue(m_options.userDataFolder).takeNote();
    if (!note.isEmpty())
        m_dialogs->message(dialogParent(), note);
}

QString MainWindow::settingsPath() const {
    return QDir(m_options.dataFolder).filePath(QStringLiteral("ZKData"));
}

QString MainWindow::lastEditPath() const {
    return QDir(m_options.dataFolder).filePath(LastEditName);
}

void MainWindow::runStartup() {
    QDir::setCurrent(m_options.dataFolder);
    m_engine.state().RowCapacity = 50;
    m_actions.MnHelp->setVisible(!helpFile().isEmpty());
    m_editor->SelectionTracking = true;
    m_fontdialog1 = m_editor->document()->defaultFont();
    m_defaults = SettingsRecord::designedDefaults();
    CaptureSettings(m_defaults);
    LoadSettingsFile();
    m_stats.resetWorkTime();
    QCoreApplication::processEvents();
    ApplyViewSettings(m_record);
    QDir::setCurrent(m_options.dataFolder);
    loadStartupText();
    QCoreApplication::processEvents();
    ApplyWindowPlacement(m_record);
    ApplyReadingSettings(m_record);
    ApplyOptionFlags(m_record);
    QDir::setCurrent(m_options.dataFolder);
    if (m_record.EditorOn.isOn() && m_actions.MnRemAll->isChecked())
        m_timers.TEditOn->start();
    m_music->setMusicFolder(m_record.MusicFolder.value());
    m_music->setMusicFile(m_record.MusicFile.value());
    if (!m_record.MusicFolder.value().isEmpty())
        QDir::setCurrent(m_record.MusicFolder.value());
    m_music->scheduleResume(m_record.MusicOn.isOn(), m_actions.MnRemAll->isChecked());
}

void MainWindow::loadStartupText() {
    if (!m_options.commandLineFile.isEmpty()) {
        if (const std::optional<QString> text = readCommandLineFile()) {
            m_record.SavedLine = 0;
            m_editor->setText(*text);
            m_commandLineRead = true;
            return;
        }
        // Then as if no file had been named: the stored text and position come back.
    }
    bool ok = false;
    QString problem;
    const QString text = loadTextFile(lastEditPath(), &ok, &problem);
    if (ok) {
        m_editor->setText(text);
    } else if (QFileInfo::exists(lastEditPath())) {
        // A regular file is kept at exit unless the user makes a text; anything else
        // is refused then, with its message.
        m_lastEditUnread = SafeFile::refusal(lastEditPath()).isEmpty();
        logProblem(SafeFile::openFailure(lastEditPath(), problem)); // told at exit, if at all
    }
}

std::optional<QString> MainWindow::readCommandLineFile() {
    const QString &file = m_options.commandLineFile;
    QString problem;
    if (isPlainTextFile(file)) {
        bool ok = false;
        QString text = loadTextFile(file, &ok, &problem);
        if (ok)
            return text;
    } else if (problem = SafeFile::refusal(file); problem.isEmpty()) {
        std::optional<QString> text = convertDocument(file);
        // A conversion given up for a termination is no failure to tell.
        if (!text && !m_terminationRequested)
            m_startupMessage = conversionMessage();
        return text;
    }
    m_startupMessage = SafeFile::openFailure(file, problem);
    return std::nullopt;
}

void MainWindow::createFullScreenWindow() {
    auto *fs = new FullScreenWindow(this);
    m_fullScreen = fs;
    DisplayPanel *panel = fs->panel();
    panel->setBackground(m_panel->background());
    panel->setDisplayFont(m_panel->displayFont(), m_panel->displayColor());
    connect(panel, &DisplayPanel::doubleClicked, this, &MainWindow::MainPanelDblClick);
    connect(panel, &DisplayPanel::rowClicked, this, &MainWindow::MainPanelDblClick);
    panel->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(panel, &QWidget::customContextMenuRequested, this,
            [this, panel](const QPoint &pos) { m_popup1->popup(panel->mapToGlobal(pos)); });
    connect(fs->measureTimer(), &QTimer::timeout, this, &MainWindow::FullScreenTimer1Timer);
    connect(fs, &FullScreenWindow::shown, this, &MainWindow::onFullScreenShown);
    connect(fs, &FullScreenWindow::resized, this, &MainWindow::onFullScreenResized);
    connect(fs, &FullScreenWindow::switchRequested, m_actions.ActFulScreen, &QAction::trigger);
    fs->addAction(m_actions.ActShowEdit);
    fs->addAction(m_actions.ActHelp);
    connect(fs, &FullScreenWindow::closeRequested, this, &MainWindow::ActCloseExecute);
    connect(fs, &FullScreenWindow::spacePressed, this, [this] {
        if (!m_strip->BtStart->isHidden())
            m_actions.ActBtStartFull->trigger();
        else if (isReading())
            m_actions.ActBtStopFull->trigger();
    });
    fs->addAction(m_actions.MnFulScreen);

    // Told once the window is up, not while start-up still restores what a
    // termination would store.
    if (!m_terminationRequested)
        tellLastSessionNote();
    if (!m_startupMessage.isEmpty() && !m_terminationRequested)
        m_dialogs->message(dialogParent(), std::exchange(m_startupMessage, QString()));
    if (m_shutDown)
        return;
    const bool remAll = m_actions.MnRemAll->isChecked();
    if (m_record.FullScreen.isOn() && remAll) {
        if (QScreen *screen = this->screen())
            fs->setGeometry(screen->geometry());
        fs->showFullScreen();
        m_record.FullScreen.set(true);
        hide();
    }
    // A named file that could not be read starts nothing; a waiting termination
    // asks for no file.
    const bool fileFailed = !m_options.commandLineFile.isEmpty() && !m_commandLineRead;
    const bool start = (m_record.ReadingOn.isOn() && remAll && !fileFailed) || m_commandLineRead;
    if (start && !(m_terminationRequested && m_editor->isBlank()))
        m_actions.ActBtStart->trigger();
    // A termination that came while start-up restored the stored state.
    if (m_terminationRequested)
        requestTermination();
}

void MainWindow::onFullScreenShown() {
    DisplayPanel *panel = m_fullScreen->panel();
    panel->setBackground(m_panel->background());
    panel->setDisplayFont(m_panel->displayFont(), m_panel->displayColor());
    ReadingState &s = m_engine.state();
    s.LineCount = m_strip->UpDown4->value();
    const int screenHeight = m_fullScreen->screen() ? m_fullScreen->screen()->geometry().height()
                                                    : m_fullScreen->height();
    const int c = RowGeometry::fit(screenHeight, m_panel->rowHeight(), s.LineCount);
    if (c < s.LineCount)
        s.LineCount = c;
    ActBeginToCount();
    ActMaxLength2();
    LayoutFullScreenRows();
    for (int i = 0; i < s.LineCount; ++i)
        panel->row(i)->setText(m_panel->row(i)->text());
    m_fullScreen->measureTimer()->start();
}

void MainWindow::onFullScreenResized() {
    m_fullScreen->panel()->setDisplayFont(m_panel->displayFont(), m_panel->displayColor());
    LayoutFullScreenRows();
    m_fullScreen->measureTimer()->start();
}

void MainWindow::MnFulScreenClick() {
    if (!m_fullScreen)
        return;
    if (isVisible()) {
        if (QScreen *screen = this->screen())
            m_fullScreen->setGeometry(screen->geometry());
        m_fullScreen->showFullScreen();
        hide();
        m_record.FullScreen.set(true);
    } else {
        show();
        raise();
        activateWindow();
        m_fullScreen->hide();
        m_record.FullScreen.set(false);
    }
}

void MainWindow::resizeEvent(QResizeEvent *event) {
    QMainWindow::resizeEvent(event);
    if (centralWidget() && centralWidget()->layout())
        centralWidget()->layout()->activate();
    LayoutMainRows();
    actmaxlength1();
    ActCheckLines();
    actmaxlength1();
}

void MainWindow::showEvent(QShowEvent *event) {
    QMainWindow::showEvent(event);
    if (event->spontaneous())
        return;
    if (m_fullScreen) {
        for (int i = 0; i < DisplayPanel::PieceRows; ++i) {
            m_panel->row(i)->setText(m_fullScreen->panel()->row(i)->text());
            m_panel->row(i)->setVisible(m_fullScreen->panel()->row(i)->isVisible());
        }
    }
    if (centralWidget() && centralWidget()->layout())
        centralWidget()->layout()->activate();
    actmaxlength1();
    ActCheckLines();
}

void MainWindow::closeEvent(QCloseEvent *event) {
    ActCloseExecute();
    event->accept();
}

void MainWindow::placeEditor() {
    m_editor->move(2, RowGeometry::StripHeight);
    const int height = std::max(0, m_panel->height() - RowGeometry::StripHeight);
    const int shownWidth = std::max(0, centralWidget()->width() - 3);
    m_editor->setShownWidth(shownWidth);
    m_editor->resize(m_editor->isVisible() ? shownWidth : EditorPanel::HiddenWidth, height);
}

void MainWindow::applicationDeactivated() {
    m_deactivated = true;
    if (m_actions.MnReactOnFocus->isChecked())
        suspend();
}

void MainWindow::applicationActivated() {
    m_deactivated = false;
    if (m_actions.MnReactOnFocus->isChecked() && isReading() &&
        !QApplication::activeModalWidget()) {
        m_timers.t1->start();
        m_timers.T2->start();
        ActBeginToCount();
    }
}

void MainWindow::ActCloseExecute() {
    // One shut-down per run, whichever way it is reached.
    if (m_shutDown)
        return;
    m_shutDown = true;
    BusyCursor busy;
    m_music->shutDown();
    if (m_editor->isVisible()) {
        ActHideEdit();
        m_record.EditorOn.set(true);
    } else {
        m_record.EditorOn.set(false);
        ActLocateSelStart();
    }
    // An empty editor is no reason to replace a "LastEdit" that start-up could not read.
    if (!m_lastEditUnread || !m_editor->isBlank())
        storeLastEdit();
    m_record.ReadingOn.set(isReading());
    m_record.MusicOn.set(m_music->musicMark() == 1);
    SaveSettingsFile();
    QCoreApplication::quit();
}

void MainWindow::shutDownUnattended() {
    m_unattended = true;
    ActCloseExecute();
}

void MainWindow::requestTermination() {
    m_terminationRequested = true;
    if (!m_startedUp)
        return;
    shutDownUnattended();
    // Unlike quit(), this ends nested loops too and makes any later one return at once.
    QCoreApplication::exit(0);
}

} // namespace zk

namespace zk {

FullScreenWindow *MainWindow::fullScreenWindow() const {
    return m_fullScreen.data();
}

} // namespace zk
