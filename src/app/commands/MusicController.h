#pragma once

#include <QObject>

#include <memory>

class QMenu;

namespace zk {

class MediaBackend;
class MusicPlayer;
struct WindowParts;

// Background music: choosing a file, starting and stopping it.
class MusicController final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MusicController)
public:
    explicit MusicController(WindowParts &parts);
    ~MusicController() override;

    MusicPlayer *player() const { return m_player; }
    void setMediaBackend(std::unique_ptr<MediaBackend> backend);

    void chooseMusicFile();
    void startMusic();
    void stopMusic();
    void prepareMusicMenu(QMenu *menu);

private:
    WindowParts &m_parts;
    std::unique_ptr<MediaBackend> m_backend;
    MusicPlayer *m_player;
};

} // namespace zk
