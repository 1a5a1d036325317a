#include "music/MusicPlayer.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace zk;

namespace {

// Scripted player: records the calls and ends plays on demand.
class FakeBackend final : public MediaBackend {
public:
    QStringList calls;
    QString fileName;
    bool openSucceeds = true;
    bool playSucceeds = true;
    bool isOpen = false;
    bool playing = false;

    int count(const QString &call) const { return int(calls.count(call)); }

    void setDisplay() override { calls << QStringLiteral("setDisplay"); }
    void setFileName(const QString &name) override {
        calls << QStringLiteral("setFileName");
        fileName = name;
    }
    bool open(QString *) override {
        calls << QStringLiteral("open");
        if (isOpen) {
            deliverNotice(Ending::Superseded);
            isOpen = playing = false;
        }
        isOpen = openSucceeds;
        return isOpen;
    }
    bool play(QString *) override {
        calls << QStringLiteral("play");
        if (!isOpen || !playSucceeds)
            return false;
        if (!playing)
            armNotice();
        playing = true;
        return true;
    }
    bool stop() override {
        calls << QStringLiteral("stop");
        if (!isOpen)
            return false;
        playing = false;
        deliverNotice(Ending::Aborted);
        return true;
    }
    void close() override {
        calls << QStringLiteral("close");
        if (!isOpen)
            return;
        isOpen = playing = false;
        deliverNotice(Ending::Aborted);
    }

    void reachEnd() {
        playing = false;
        deliverNotice(Ending::Finished);
    }
    void failWhilePlaying() {
        playing = false;
        deliverNotice(Ending::Failed);
    }
};

} // namespace

class TestMusicPlayer final : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_song;
    QString m_other;
    QString m_savedCurrent;

    static void touch(const QString &path) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("x");
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("Музыка")));
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("data")));
        m_song = m_dir.filePath(QStringLiteral("Музыка/песня.mp3"));
        m_other = m_dir.filePath(QStringLiteral("data/other.wav"));
        touch(m_song);
        touch(m_other);
        m_savedCurrent = QDir::currentPath();
    }
    void cleanupTestCase() { QDir::setCurrent(m_savedCurrent); }

    void timers_areTheDesignedOneShots() {
        FakeBackend backend;
        MusicPlayer player(&backend);
        QCOMPARE(player.musicOnTimer()->objectName(), QStringLiteral("TMusicOn"));
        QCOMPARE(player.musicOnTimer()->interval(), 500);
        QVERIFY(player.musicOnTimer()->isSingleShot());
        QCOMPARE(player.replayTimer()->objectName(), QStringLiteral("TmMusic"));
        QCOMPARE(player.replayTimer()->interval(), 1000);
        QVERIFY(player.replayTimer()->isSingleShot());
        QVERIFY(!player.musicOnTimer()->isActive());
        QVERIFY(!player.replayTimer()->isActive());
    }

    void nothingChosen_startAndStopDisabled_dialogOpensInDataFolder() {
        FakeBackend backend;
        MusicPlayer player(&backend);
        const auto state = player.menuState();
        QVERIFY(!state.start);
        QVERIFY(!state.stop);
        QVERIFY(state.choose);

        const QString dataFolder = m_dir.filePath(QStringLiteral("data"));
        QCOMPARE(player.prepareChoose(dataFolder), dataFolder);
        QCOMPARE(QDir::current(), QDir(dataFolder));

        // A remembered folder that is gone falls back the same way.
        player.setMusicFolder(m_dir.filePath(QStringLiteral("gone")));
        QCOMPARE(player.prepareChoose(dataFolder), dataFolder);
        // A remembered file that is gone cannot be started.
        player.setMusicFile(m_dir.filePath(QStringLiteral("gone/song.mp3")));
        QVERIFY(!player.menuState().start);
    }

    void chosenFile_playsAndIsRemembered() {
        FakeBackend backend;
        MusicPlayer player(&backend);
        const QString dataFolder = m_dir.filePath(QStringLiteral("data"));
        player.prepareChoose(dataFolder);
        QVERIFY(player.playChosen(m_song));

        QCOMPARE(player.musicMark(), 1);
        QCOMPARE(player.musicFile(), QFileInfo(m_song).absoluteFilePath());
        QCOMPARE(player.musicFolder(), QFileInfo(m_song).absolutePath());
        QCOMPARE(QDir::current(), QDir(player.musicFolder()));
        QCOMPARE(backend.fileName, player.musicFile());
        QCOMPARE(backend.calls.mid(backend.calls.indexOf(QStringLiteral("setDisplay"))),
                 (QStringList{QStringLiteral("setDisplay"), QStringLiteral("setFileName"),
                              QStringLiteral("open"), QStringLiteral("play")}));
        const auto state = player.menuState();
        QVERIFY(!state.start);
        QVERIFY(state.stop);

        // The next dialog starts in the remembered folder.
        QCOMPARE(player.prepareChoose(dataFolder), player.musicFolder());
    }

    void cancelWhilePlaying_leavesMusicStoppedAndStartEnabled() {
        FakeBackend backend;
        MusicPlayer player(&backend);
        QVERIFY(player.playChosen(m_song));
        backend.calls.clear();

        player.prepareChoose(m_dir.path()); // the dialog is then cancelled
        QCOMPARE(player.musicMark(), 0);
        QCOMPARE(backend.calls, (QStringList{QStringLiteral("stop"), QStringLiteral("close")}));
        QVERIFY(!backend.isOpen);
        const auto state = player.menuState();
        QVERIFY(state.start);
        QVERIFY(!state.stop);

        // The notice of the aborted play arms the replay, which then finds the music off.
        QVERIFY(player.replayTimer()->isActive());
        player.TmMusicTimer();
        QCOMPARE(backend.count(QStringLiteral("play")), 0);
        QVERIFY(!backend.playing);
    }

    void failedOpenOrPlay_returnsFalseAndKeepsTheRememberedFile() {
        FakeBackend backend;
        MusicPlayer player(&backend);
        QVERIFY(player.playChosen(m_song));
        const QString file = player.musicFile();
        const QString folder = player.musicFolder();

        player.prepareChoose(m_dir.path());
        backend.openSucceeds = false;
        QVERIFY(!player.playChosen(m_other));
        QCOMPARE(player.musicMark(), 0);
        QCOMPARE(player.musicFile(), file);
        QCOMPARE(player.musicFolder(), folder);
        QVERIFY(!player.startPlaying());
        QCOMPARE(player.musicMark(), 0);

        backend.openSucceeds = true;
        backend.playSucceeds = false;
        QVERIFY(!player.playChosen(m_other));
        QVERIFY(!player.startPlaying());
        QCOMPARE(player.musicMark(), 0);
        QCOMPARE(player.musicFile(), file);
        QVERIFY(player.menuState().start);

        QVERIFY(!MusicPlayer::OpenFailedMessage.isEmpty());
        QVERIFY(MusicPlayer::OpenFailedMessage.startsWith(QStringLiteral("Не удалось открыть")));
    }

    void endOfMedia_replaysAfterTheReplayTimer() {
        FakeBackend backend;
        MusicPlayer player(&backend);
        player.setMusicFile(m_song);
        QVERIFY(player.startPlaying());
        QCOMPARE(backend.count(QStringLiteral("play")), 1);

        player.replayTimer()->setInterval(10);
        for (int round = 2; round <= 3; ++round) {
            backend.reachEnd();
            QVERIFY(player.replayTimer()->isActive());
            QCOMPARE(backend.count(QStringLiteral("play")), round - 1);
            QTRY_COMPARE(backend.count(QStringLiteral("play")), round);
            QVERIFY(backend.playing);
            QVERIFY(!player.replayTimer()->isActive());
        }
        // Only the play is repeated; the file is not opened again.
        QCOMPARE(backend.count(QStringLiteral("open")), 1);

        player.stopPlaying();
        QCOMPARE(player.musicMark(), 0);
        QVERIFY(!backend.isOpen);
        QTest::qWait(30);
        QCOMPARE(backend.count(QStringLiteral("play")), 3);
        QVERIFY(player.menuState().start);
    }

    void failingReplay_endsTheReplayWithStopStillEnabled() {
        FakeBackend backend;
        MusicPlayer player(&backend);
        QVERIFY(player.playChosen(m_song));
        backend.reachEnd();
        backend.playSucceeds = false;
        player.TmMusicTimer();
        QCOMPARE(backend.count(QStringLiteral("play")), 2);
        QCOMPARE(player.musicMark(), 1);
        QVERIFY(!player.replayTimer()->isActive());
        QVERIFY(player.menuState().stop);
        QVERIFY(!player.menuState().start);

        // An error while playing gives no retry either.
        backend.playSucceeds = true;
        player.TmMusicTimer();
        QVERIFY(backend.playing);
        backend.failWhilePlaying();
        QVERIFY(!player.replayTimer()->isActive());
        QCOMPARE(player.musicMark(), 1);

        player.stopPlaying();
        QCOMPARE(player.musicMark(), 0);
    }

    void stopWithNothingOpen_skipsTheClose() {
        FakeBackend backend;
        MusicPlayer player(&backend);
        player.stopPlaying();
        QCOMPARE(backend.calls, QStringList{QStringLiteral("stop")});
        QCOMPARE(player.musicMark(), 0);
    }

    void resumeAtStartup_onlyWhenAskedAndTheFileExists() {
        FakeBackend backend;
        MusicPlayer player(&backend);
        player.setMusicFile(m_song);
        player.setMusicFolder(QFileInfo(m_song).absolutePath());
        QVERIFY(!player.scheduleResume(false, true));
        QVERIFY(!player.scheduleResume(true, false));
        QVERIFY(!player.musicOnTimer()->isActive());
        player.setMusicFile(m_dir.filePath(QStringLiteral("missing.mp3")));
        QVERIFY(!player.scheduleResume(true, true));
        QVERIFY(!player.musicOnTimer()->isActive());
        QVERIFY(backend.calls.isEmpty());

        player.setMusicFile(m_song);
        QDir::setCurrent(m_dir.path());
        QVERIFY(player.scheduleResume(true, true));
        player.musicOnTimer()->setInterval(10);
        QTRY_COMPARE(player.musicMark(), 1);
        QVERIFY(!player.musicOnTimer()->isActive());
        QVERIFY(backend.playing);
        QCOMPARE(backend.fileName, m_song);
        QCOMPARE(QDir::current(), QDir(player.musicFolder()));
    }

    void failedResume_isSilentAndLeavesMusicOff() {
        FakeBackend backend;
        backend.openSucceeds = false;
        MusicPlayer player(&backend);
        player.setMusicFile(m_song);
        QVERIFY(player.scheduleResume(true, true));
        player.resumeAtStartup();
        QCOMPARE(player.musicMark(), 0);
        QVERIFY(!player.musicOnTimer()->isActive());
        QVERIFY(player.menuState().start);
    }

    void shutDown_silencesButKeepsTheMark() {
        FakeBackend backend;
        MusicPlayer player(&backend);
        QVERIFY(player.playChosen(m_song));
        player.shutDown();
        QCOMPARE(player.musicMark(), 1);
        QVERIFY(!backend.isOpen);
        QVERIFY(!player.replayTimer()->isActive());
        QCOMPARE(backend.calls.mid(backend.calls.size() - 2),
                 (QStringList{QStringLiteral("stop"), QStringLiteral("close")}));
    }
};

QTEST_GUILESS_MAIN(TestMusicPlayer)
#include "test_music_player.moc"
