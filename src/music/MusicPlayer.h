#pragma once

#include "music/MediaBackend.h"

#include <QObject>
#include <QString>
#include <QTimer>

namespace zk {

// The background music: choosing, playing, endless replay, stopping, resume at start-up.
// MusicFolder and MusicFile are held here; the caller copies them to and from the settings record.
class MusicPlayer final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MusicPlayer)

public:
    static inline const QString OpenFailedMessage = QStringLiteral(
        "Не удалось открыть файл. Возможно расширение его имени не соответствует формату, в "
        "котором он сохранен.");
    static inline const QString DialogFilter =
        QStringLiteral("Музыкальные файлы (*.avi *.mov *.mp? *.wav *.mid *.ogg *.oga *.opus *.flac "
                       "*.m4a);;Все файлы (*.* *)");

    struct EnablingState {
        bool start = false;
        bool stop = false;
        bool choose = true;
    };

    // The backend must outlive the player.
    explicit MusicPlayer(MediaBackend *backend, QObject *parent = nullptr);
    ~MusicPlayer() override;

    // 1 while music is on, 0 otherwise.
    int musicMark() const { return m_musicMark; }
    QString musicFolder() const { return m_musicFolder; }
    void setMusicFolder(const QString &folder) { m_musicFolder = folder; }
    QString musicFile() const { return m_musicFile; }
    void setMusicFile(const QString &file) { m_musicFile = file; }

    QTimer *musicOnTimer() { return &m_musicOnTimer; }
    QTimer *replayTimer() { return &m_replayTimer; }

    // Before the file dialog: moves to MusicFolder (else dataFolder) and returns the folder the
    // dialog starts in; silences the music, so a cancelled dialog leaves it off.
    QString prepareChoose(const QString &dataFolder);
    // After the dialog, for the chosen file. On failure the caller shows OpenFailedMessage;
    // MusicFolder and MusicFile then keep their values.
    bool playChosen(const QString &path);
    // "Начать воспроизведение": false means the caller shows OpenFailedMessage.
    bool startPlaying();
    // "Закончить воспроизведение".
    void stopPlaying();

    bool canStart() const;
    bool canStop() const { return m_musicMark == 1; }
    // Run when a music menu opens.
    EnablingState menuState();

    // Arms TMusicOn when the music was on at the last shut-down, resuming is wanted and the
    // file still exists. Returns whether it was armed.
    bool scheduleResume(bool musicOn, bool rememberAll);
    // TMusicOn: resumes silently; a failure leaves the music off.
    void resumeAtStartup();
    // The player's completion notice.
    void onCompleted(MediaBackend::Ending how);
    // TmMusic: replays while the music is on.
    void replay();
    // Silences the player; MusicMark keeps its value so the caller can store MusicOn.
    void shutDown();

private:
    bool openAndPlay(const QString &file);
    void stopAndClose();

    MediaBackend *m_backend;
    QTimer m_musicOnTimer;
    QTimer m_replayTimer;
    int m_musicMark = 0;
    QString m_musicFolder;
    QString m_musicFile;
};

} // namespace zk
