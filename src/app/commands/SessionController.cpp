
#include "app/commands/SessionController.h"
#include "app/MainWindow.h"
#include "app/commands/BusyCursor.h"
#include "app/commands/ComprehensionController.h"
#include "app/commands/DocumentController.h"
#include "app/commands/EditorController.h"
#include "app/commands/HelpController.h"
#include "app/commands/JournalController.h"
#include "app/commands/MusicController.h"
#include "app/commands/ReadingController.h"
#include "app/commands/SessionRescue.h"
#include "app/commands/SettingsController.h"
#include "app/commands/WindowParts.h"
#include "display/FullScreenWindow.h"
#include "editor/EditorPanel.h"
#include "music/MusicPlayer.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QScreen>
#include <QTimer>

#include <cstdio>

namespace zk {

SessionController::SessionController(WindowParts &parts) : m_parts(parts) {}

void SessionController::logProblem(const QString &text) {
    std::fprintf(stderr, "zorkan: %s\n", text.toLocal8Bit().constData());
}

void SessionController::tellSaveFailure(const QString &failure) {
    logProblem(failure);
    if (m_parts.unattended)
        SessionRescue(m_parts.options.userDataFolder).addNote(failure);
    else
        m_parts.dialogs->message(m_parts.dialogParent(), failure);
}

void SessionController::tellLastSessionNote() {
    const QString note = SessionRescue(m_parts.options.userDataFolder).takeNote();
    if (!note.isEmpty())
        m_parts.dialogs->message(m_parts.dialogParent(), note);
}

void SessionController::start() {
    WindowParts &p = m_parts;
    const QString &dataFolder = p.options.dataFolder;
    SettingsController *settings = p.settings;
    QDir::setCurrent(dataFolder);
    p.reading->state().RowCapacity = 50;
    p.actions.MnHelp->setVisible(!p.help->helpFile().isEmpty());
    p.editor->SelectionTracking = true;
    p.defaults = SettingsRecord::designedDefaults();
    settings->captureSettings(p.defaults);
    settings->loadSettingsFile();
    p.reading->statistics().resetWorkTime();
    QCoreApplication::processEvents();
    settings->applyViewSettings(p.record);
    QDir::setCurrent(dataFolder);
    p.documents->loadStartupText();
    QCoreApplication::processEvents();
    settings->applyWindowPlacement(p.record);
    settings->applyReadingSettings(p.record);
    settings->applyOptionFlags(p.record);
    QDir::setCurrent(dataFolder);
    const bool remAll = p.actions.MnRemAll->isChecked();
    if (p.record.EditorOn.isOn() && remAll)
        p.timers.TEditOn->start();
    MusicPlayer *music = p.music->player();
    music->setMusicFolder(p.record.MusicFolder.value());
    music->setMusicFile(p.record.MusicFile.value());
    if (!p.record.MusicFolder.value().isEmpty())
        QDir::setCurrent(p.record.MusicFolder.value());
    music->scheduleResume(p.record.MusicOn.isOn(), remAll);
    m_startedUp = true;
}

void SessionController::startShown() {
    WindowParts &p = m_parts;
    // Told once the window is up, not while start-up still restores what a
    // termination would store.
    if (!p.terminationRequested)
        tellLastSessionNote();
    const QString message = p.documents->takeStartupMessage();
    if (!message.isEmpty() && !p.terminationRequested)
        p.dialogs->message(p.dialogParent(), message);
    if (p.shutDown)
        return;
    const bool remAll = p.actions.MnRemAll->isChecked();
    if (p.record.FullScreen.isOn() && remAll) {
        if (QScreen *screen = p.window->screen())
            p.fullScreen->setGeometry(screen->geometry());
        p.fullScreen->showFullScreen();
        p.record.FullScreen.set(true);
        p.window->hide();
    }
    // A named file that could not be read starts nothing; a waiting termination
    // asks for no file.
    const bool commandLineRead = p.documents->commandLineRead();
    const bool fileFailed = !p.options.commandLineFile.isEmpty() && !commandLineRead;
    const bool start = (p.record.ReadingOn.isOn() && remAll && !fileFailed) || commandLineRead;
    if (start && !(p.terminationRequested && p.editor->isBlank()))
        p.actions.ActBtStart->trigger();
    // A termination that came while start-up restored the stored state.
    if (p.terminationRequested)
        requestTermination();
}

void SessionController::shutDown() {
    WindowParts &p = m_parts;
    // One shut-down per run, whichever way it is reached.
    if (p.shutDown)
        return;
    p.shutDown = true;
    p.documents->stopReadingOn();
    p.comprehension->close();
    BusyCursor busy;
    p.music->player()->shutDown();
    if (p.editor->isVisible()) {
        p.editing->hideEditor();
        p.record.EditorOn.set(true);
    } else {
        p.record.EditorOn.set(false);
        p.editing->ActLocateSelStart();
    }
    // A run that the shut-down ends is a session like any other.
    p.reading->endRunAtShutDown();
    p.journal->rememberPosition();
    // A termination while start-up read the stored text leaves it and the settings as they are.
    const bool keepStored = p.documents->startupStopped();
    // An empty editor is no reason to replace a "LastEdit" that start-up could not read.
    if (!keepStored && (!p.documents->lastEditUnread() || !p.editor->isBlank()))
        p.documents->storeLastEdit();
    p.record.ReadingOn.set(p.reading->isReading());
    p.record.MusicOn.set(p.music->player()->musicMark() == 1);
    if (!keepStored)
        p.settings->saveSettingsFile();
    QCoreApplication::quit();
}

void SessionController::shutDownUnattended() {
    m_parts.unattended = true;
    shutDown();
}

void SessionController::requestTermination() {
    m_parts.terminationRequested = true;
    if (!m_startedUp)
        return;
    shutDownUnattended();
    // Unlike quit(), this ends nested loops too and makes any later one return at once.
    QCoreApplication::exit(0);
}

} // namespace zk
