#pragma once

#include "music/MediaBackend.h"

#include <QAudioOutput>
#include <QMediaPlayer>

class QEventLoop;

namespace zk {

// Sound only, through QMediaPlayer and the default audio output.
class QtMediaBackend final : public MediaBackend {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QtMediaBackend)

public:
    explicit QtMediaBackend(QObject *parent = nullptr);
    ~QtMediaBackend() override;

    void setFileName(const QString &fileName) override;
    bool open(QString *error) override;
    bool play(QString *error) override;
    bool stop() override;
    void close() override;

    QMediaPlayer *mediaPlayer() { return &m_player; }
    // open() waits for the media to load or fail, play() for the first sound or an error; the
    // limit only ends the wait for a backend that never answers, which counts as a failure.
    void setWaitLimit(int ms) { m_waitLimitMs = ms; }

private:
    enum class Phase { Closed, Loading, Open, Starting, Playing };

    void onStatusChanged(QMediaPlayer::MediaStatus status);
    void onError(QMediaPlayer::Error error, const QString &text);
    void onPositionChanged(qint64 position);
    // Runs the event loop without user input until the phase leaves `from`, the media fails or
    // time runs out.
    void waitWhile(Phase from);
    void wake();

    QAudioOutput m_audio; // declared first: the player must go before its output
    QMediaPlayer m_player;
    QString m_fileName;
    QString m_error;
    Phase m_phase = Phase::Closed;
    bool m_failed = false;
    QEventLoop *m_waitLoop = nullptr;
    int m_waitLimitMs = 30000; // a busy machine may need ten seconds to load
};

} // namespace zk
