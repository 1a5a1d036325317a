#include "music/QtMediaBackend.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <QUrl>

#include <utility>

namespace zk {

QtMediaBackend::QtMediaBackend(QObject *parent) : MediaBackend(parent) {
    m_player.setAudioOutput(&m_audio);
    connect(&m_player, &QMediaPlayer::mediaStatusChanged, this, &QtMediaBackend::onStatusChanged);
    connect(&m_player, &QMediaPlayer::errorOccurred, this, &QtMediaBackend::onError);
    connect(&m_player, &QMediaPlayer::positionChanged, this, &QtMediaBackend::onPositionChanged);
}

QtMediaBackend::~QtMediaBackend() {
    // The player may still signal while it is torn down, after our other members are gone.
    disconnect(&m_player, nullptr, this, nullptr);
}

void QtMediaBackend::setFileName(const QString &fileName) {
    m_fileName = fileName;
}

bool QtMediaBackend::open(QString *error) {
    if (m_phase != Phase::Closed) {
        deliverNotice(Ending::Superseded);
        close();
    }
    m_error.clear();
    m_failed = false;
    if (!QFileInfo(m_fileName).isFile()) {
        if (error)
            *error = QStringLiteral("No such file: %1").arg(m_fileName);
        return false;
    }
    m_phase = Phase::Loading;
    m_player.setSource(QUrl::fromLocalFile(m_fileName));
    waitWhile(Phase::Loading);
    if (m_phase == Phase::Open && !m_failed)
        return true;
    if (error)
        *error = m_error.isEmpty() ? QStringLiteral("The media did not load.") : m_error;
    m_phase = Phase::Closed;
    m_player.setSource(QUrl());
    return false;
}

bool QtMediaBackend::play(QString *error) {
    if (m_phase == Phase::Closed || m_phase == Phase::Loading) {
        if (error)
            *error = QStringLiteral("No media is open.");
        return false;
    }
    // Already playing: the pending notice stays the one that will come.
    if (m_phase != Phase::Open)
        return true;
    m_failed = false;
    m_error.clear();
    const qint64 duration = m_player.duration();
    if (m_player.mediaStatus() == QMediaPlayer::EndOfMedia ||
        (duration > 0 && m_player.position() >= duration))
        m_player.setPosition(0);
    armNotice();
    m_phase = Phase::Starting;
    m_player.play();
    waitWhile(Phase::Starting);
    if (m_phase == Phase::Starting) {
        // An error or no sound at all before the limit: a failed play, not the end of one.
        dropNotice();
        m_phase = Phase::Open;
        m_player.stop();
        if (error)
            *error = !m_error.isEmpty() ? m_error
                     : m_failed         ? QStringLiteral("The media could not be played.")
                                        : QStringLiteral("The media gave no sound.");
        return false;
    }
    return true;
}

bool QtMediaBackend::stop() {
    if (m_phase == Phase::Closed)
        return false;
    m_player.stop();
    // A stop that comes while open() still waits means the file never got open.
    m_phase = m_phase == Phase::Loading ? Phase::Closed : Phase::Open;
    deliverNotice(Ending::Aborted);
    return true;
}

void QtMediaBackend::close() {
    if (m_phase == Phase::Closed)
        return;
    m_player.stop();
    m_phase = Phase::Closed;
    m_player.setSource(QUrl());
    deliverNotice(Ending::Aborted);
}

void QtMediaBackend::onStatusChanged(QMediaPlayer::MediaStatus status) {
    switch (status) {
    case QMediaPlayer::LoadedMedia:
    case QMediaPlayer::BufferedMedia:
        if (m_phase == Phase::Loading)
            m_phase = Phase::Open;
        break;
    case QMediaPlayer::EndOfMedia:
        if (m_phase == Phase::Starting || m_phase == Phase::Playing) {
            m_phase = Phase::Open;
            deliverNotice(Ending::Finished);
        }
        break;
    case QMediaPlayer::InvalidMedia:
        onError(QMediaPlayer::FormatError, m_player.errorString());
        break;
    default:
        break;
    }
    wake();
}

void QtMediaBackend::onError(QMediaPlayer::Error error, const QString &text) {
    if (error == QMediaPlayer::NoError)
        return;
    if (m_error.isEmpty())
        m_error = text;
    m_failed = true;
    if (m_phase == Phase::Playing) {
        m_phase = Phase::Open;
        deliverNotice(Ending::Failed);
    }
    wake();
}

void QtMediaBackend::onPositionChanged(qint64 position) {
    if (m_phase == Phase::Starting && position > 0) {
        m_phase = Phase::Playing;
        wake();
    }
}

void QtMediaBackend::waitWhile(Phase from) {
    QEventLoop loop;
    QTimer limit;
    bool timedOut = false;
    limit.setSingleShot(true);
    connect(&limit, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    QEventLoop *outer = std::exchange(m_waitLoop, &loop);
    limit.start(m_waitLimitMs);
    while (m_phase == from && !m_failed && !timedOut)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    m_waitLoop = outer;
}

void QtMediaBackend::wake() {
    if (m_waitLoop)
        m_waitLoop->quit();
}

} // namespace zk
