#include "music/MusicPlayer.h"

#include <QDir>
#include <QFileInfo>

namespace zk {

MusicPlayer::MusicPlayer(MediaBackend *backend, QObject *parent)
    : QObject(parent), m_backend(backend) {
    m_musicOnTimer.setObjectName(QStringLiteral("TMusicOn"));
    m_musicOnTimer.setInterval(500);
    m_musicOnTimer.setSingleShot(true);
    m_replayTimer.setObjectName(QStringLiteral("TmMusic"));
    m_replayTimer.setInterval(1000);
    m_replayTimer.setSingleShot(true);
    connect(&m_musicOnTimer, &QTimer::timeout, this, &MusicPlayer::resumeAtStartup);
    connect(&m_replayTimer, &QTimer::timeout, this, &MusicPlayer::replay);
    connect(m_backend, &MediaBackend::completed, this, &MusicPlayer::onCompleted);
}

MusicPlayer::~MusicPlayer() = default;

QString MusicPlayer::prepareChoose(const QString &dataFolder) {
    QString folder = m_musicFolder;
    if (folder.isEmpty() || !QDir::setCurrent(folder)) {
        folder = dataFolder;
        QDir::setCurrent(folder);
    }
    m_musicMark = 0;
    stopAndClose();
    return folder;
}

bool MusicPlayer::playChosen(const QString &path) {
    const QFileInfo chosen(path);
    // The dialog leaves the current folder at the chosen file's folder.
    QDir::setCurrent(chosen.absolutePath());
    if (!openAndPlay(chosen.absoluteFilePath())) {
        m_musicMark = 0;
        return false;
    }
    m_musicMark = 1;
    m_musicFolder = chosen.absolutePath();
    m_musicFile = chosen.absoluteFilePath();
    return true;
}

bool MusicPlayer::startPlaying() {
    if (!openAndPlay(m_musicFile)) {
        m_musicMark = 0;
        return false;
    }
    m_musicMark = 1;
    return true;
}

void MusicPlayer::stopPlaying() {
    m_musicMark = 0;
    if (m_backend->stop())
        m_backend->close();
}

bool MusicPlayer::canStart() const {
    return m_musicMark == 0 && !m_musicFile.isEmpty() && QFileInfo(m_musicFile).isFile();
}

MusicPlayer::EnablingState MusicPlayer::menuState() {
    if (!m_musicFolder.isEmpty())
        QDir::setCurrent(m_musicFolder);
    return {canStart(), canStop(), true};
}

bool MusicPlayer::scheduleResume(bool musicOn, bool rememberAll) {
    if (!musicOn || !rememberAll || m_musicFile.isEmpty() || !QFileInfo(m_musicFile).isFile())
        return false;
    m_musicOnTimer.start();
    return true;
}

void MusicPlayer::resumeAtStartup() {
    m_musicOnTimer.stop();
    if (!m_musicFolder.isEmpty())
        QDir::setCurrent(m_musicFolder);
    if (openAndPlay(m_musicFile))
        m_musicMark = 1;
}

void MusicPlayer::onCompleted(MediaBackend::Ending how) {
    // A file that fails while playing would fail again every second: the replay ends there,
    // with the music still counted as on so that it can be stopped.
    if (how == MediaBackend::Ending::Failed)
        return;
    m_replayTimer.start();
}

void MusicPlayer::replay() {
    m_replayTimer.stop();
    if (m_musicMark > 0)
        m_backend->play(nullptr);
}

void MusicPlayer::shutDown() {
    stopAndClose();
    m_musicOnTimer.stop();
    m_replayTimer.stop();
}

bool MusicPlayer::openAndPlay(const QString &file) {
    m_backend->setDisplay();
    m_backend->setFileName(file);
    return m_backend->open(nullptr) && m_backend->play(nullptr);
}

void MusicPlayer::stopAndClose() {
    // A stop that fails (nothing open) skips the close, as in the stop command.
    if (m_backend->stop())
        m_backend->close();
}

} // namespace zk
