#include "app/commands/MusicController.h"

#include "app/commands/ReadingController.h"
#include "app/commands/WindowParts.h"
#include "music/MusicPlayer.h"
#include "music/QtMediaBackend.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QTimer>

namespace zk {

MusicController::MusicController(WindowParts &parts)
    : m_parts(parts), m_backend(std::make_unique<QtMediaBackend>()),
      m_player(new MusicPlayer(m_backend.get(), this)) {}

MusicController::~MusicController() {
    delete m_player;
}

void MusicController::setMediaBackend(std::unique_ptr<MediaBackend> backend) {
    const bool resumeArmed = m_player->musicOnTimer()->isActive();
    delete m_player;
    m_backend = std::move(backend);
    m_player = new MusicPlayer(m_backend.get(), this);
    m_player->setMusicFolder(m_parts.record.MusicFolder.value());
    m_player->setMusicFile(m_parts.record.MusicFile.value());
    if (resumeArmed)
        m_player->musicOnTimer()->start();
}

void MusicController::chooseMusicFile() {
    m_parts.reading->suspend();
    const QString folder = m_player->prepareChoose(m_parts.options.dataFolder);
    const QString path =
        m_parts.dialogs->openFile(m_parts.dialogParent(), folder, MusicPlayer::DialogFilter);
    if (!path.isEmpty()) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (m_player->playChosen(path)) {
            // A name the record cannot hold is not stored at all: keeping the earlier one
            // would resume a different file at the next start.
            SettingsRecord &record = m_parts.record;
            if (!record.MusicFolder.set(m_player->musicFolder()) ||
                !record.MusicFile.set(m_player->musicFile())) {
                record.MusicFolder.set(QString());
                record.MusicFile.set(QString());
            }
        } else {
            m_parts.dialogs->message(m_parts.dialogParent(), MusicPlayer::OpenFailedMessage);
        }
    }
    m_parts.reading->resumeIfReading(true);
}

void MusicController::startMusic() {
    if (!m_player->startPlaying())
        m_parts.dialogs->message(m_parts.dialogParent(), MusicPlayer::OpenFailedMessage);
}

void MusicController::stopMusic() {
    m_player->stopPlaying();
}

void MusicController::prepareMusicMenu(QMenu *menu) {
    const MusicPlayer::EnablingState state = m_player->menuState();
    const Actions &a = m_parts.actions;
    const bool main = menu == a.N4->menu();
    (main ? a.N35 : a.Pum35)->setEnabled(state.start);
    (main ? a.N36 : a.Pum36)->setEnabled(state.stop);
    (main ? a.N34 : a.Pum34)->setEnabled(state.choose);
}

} // namespace zk
