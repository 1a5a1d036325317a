// The background music commands.
#include "app/MainWindow.h"

#include "app/Dialogs.h"
#include "music/MusicPlayer.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>

namespace zk {

void MainWindow::N34Click() {
    suspend();
    const QString folder = m_music->prepareChoose(m_options.dataFolder);
    const QString path = m_dialogs->openFile(dialogParent(), folder, MusicPlayer::DialogFilter);
    if (!path.isEmpty()) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (m_music->playChosen(path)) {
            // A name the record cannot hold is not stored at all: keeping the earlier one
            // would resume a different file at the next start.
            if (!m_record.MusicFolder.set(m_music->musicFolder()) ||
                !m_record.MusicFile.set(m_music->musicFile())) {
                m_record.MusicFolder.set(QString());
                m_record.MusicFile.set(QString());
            }
        } else {
            m_dialogs->message(dialogParent(), MusicPlayer::OpenFailedMessage);
        }
    }
    resumeIfReading(true);
}

void MainWindow::N35Click() {
    if (!m_music->startPlaying())
        m_dialogs->message(dialogParent(), MusicPlayer::OpenFailedMessage);
}

void MainWindow::N36Click() {
    m_music->stopPlaying();
}

void MainWindow::N4Popup(QMenu *menu) {
    const MusicPlayer::EnablingState state = m_music->menuState();
    const bool main = menu == m_actions.N4->menu();
    (main ? m_actions.N35 : m_actions.Pum35)->setEnabled(state.start);
    (main ? m_actions.N36 : m_actions.Pum36)->setEnabled(state.stop);
    (main ? m_actions.N34 : m_actions.Pum34)->setEnabled(state.choose);
}

} // namespace zk
