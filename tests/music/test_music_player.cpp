#include "FakeBackend.h"
#include "music/MusicPlayer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace zk;

class TestMusicPlayer final : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_song;
    QString m_other;
    QString m_dataFolder;
    QString m_savedCurrent = QDir::currentPath();

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("Музыка")));
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("data")));
        m_dataFolder = m_dir.filePath(QStringLiteral("data"));
        m_song = m_dir.filePath(QStringLiteral("Музыка/песня.mp3"));
        m_other = m_dir.filePath(QStringLiteral("data/other.wav"));
        for (const QString &path : {m_song, m_other}) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
    }
    void cleanupTestCase() { QDir::setCurrent(m_savedCurrent); }

    void nothingChosen_startAndStopDisabled_dialogOpensInDataFolder() {
        FakeBackend backend;
        MusicPlayer player(&backend);
        const auto state = player.menuState();
        QVERIFY(!state.start);
        QVERIFY(!state.stop);
        QVERIFY(state.choose);

        QCOMPARE(player.prepareChoose(m_dataFolder), m_dataFolder);
        QCOMPARE(QDir::current(), QDir(m_dataFolder));
        // Nothing was open: the failed stop skips the close.
        QCOMPARE(backend.calls, QStringList{QStringLiteral("stop")});

        // A remembered folder or file that is gone counts as nothing chosen.
        player.setMusicFolder(m_dir.filePath(QStringLiteral("gone")));
        player.setMusicFile(m_dir.filePath(QStringLiteral("gone/song.mp3")));
        QCOMPARE(player.prepareChoose(m_dataFolder), m_dataFolder);
        QVERIFY(!player.menuState().start);
    }

    void chooseThenCancelWhilePlaying_leavesMusicStoppedAndStartEnabled() {
        FakeBackend backend;
        MusicPlayer player(&backend);
        player.prepareChoose(m_dataFolder);
        backend.calls.clear();
        QVERIFY(player.playChosen(m_song));
        QCOMPARE(backend.calls,
                 (QStringList{QStringLiteral("setDisplay"), QStringLiteral("setFileName"),
                              QStringLiteral("open"), QStringLiteral("play")}));
        QCOMPARE(backend.fileName, QFileInfo(m_song).absoluteFilePath());
        QCOMPARE(player.musicMark(), 1);
        QCOMPARE(player.musicFile(), QFileInfo(m_song).absoluteFilePath());
        QCOMPARE(player.musicFolder(), QFileInfo(m_song).absolutePath());
        QCOMPARE(QDir::current(), QDir(player.musicFolder()));
        QVERIFY(!player.menuState().start);
        QVERIFY(player.menuState().stop);

        // The next dialog starts in the remembered folder and is cancelled.
        QCOMPARE(player.prepareChoose(m_dataFolder), player.musicFolder());
        QCOMPARE(player.musicMark(), 0);
        QCOMPARE(backend.calls.mid(4),
                 (QStringList{QStringLiteral("stop"), QStringLiteral("close")}));
        QVERIFY(player.menuState().start);
        QVERIFY(!player.menuState().stop);

        // The notice of the aborted play arms the replay, which then finds the music off.
        QVERIFY(player.replayTimer()->isActive());
        player.replay();
        QCOMPARE(backend.count("play"), 1);
    }

    void failedOpenOrPlay_returnsFalseAndKeepsTheRememberedFile() {
        FakeBackend backend;
        MusicPlayer player(&backend);
        QVERIFY(player.playChosen(m_song));
        const QString file = player.musicFile();
        const QString folder = player.musicFolder();

        for (const bool openFails : {true, false}) {
            player.prepareChoose(m_dataFolder);
            backend.openSucceeds = !openFails;
            backend.playSucceeds = openFails;
            QVERIFY(!player.playChosen(m_other));
            QCOMPARE(player.musicMark(), 0);
            QCOMPARE(player.musicFile(), file);
            QCOMPARE(player.musicFolder(), folder);
            QVERIFY(!player.startPlaying());
            QCOMPARE(player.musicMark(), 0);
            QVERIFY(player.menuState().start);
        }
    }

    void endOfMedia_replaysAfterTheReplayTimerUntilStopped() {
        FakeBackend backend;
        MusicPlayer player(&backend);
        QCOMPARE(player.replayTimer()->objectName(), QStringLiteral("TmMusic"));
        QCOMPARE(player.replayTimer()->interval(), 1000);
        player.setMusicFile(m_song);
        QVERIFY(player.startPlaying());

        player.replayTimer()->setInterval(10);
        for (int round = 2; round <= 3; ++round) {
            backend.end(MediaBackend::Ending::Finished);
            QCOMPARE(backend.count("play"), round - 1);
            QTRY_COMPARE(backend.count("play"), round);
            QVERIFY(backend.playing);
        }
        // Only the play is repeated; the file is not opened again.
        QCOMPARE(backend.count("open"), 1);

        player.stopPlaying();
        QCOMPARE(player.musicMark(), 0);
        QVERIFY(!backend.isOpen);
        QTest::qWait(30);
        QCOMPARE(backend.count("play"), 3);
        QVERIFY(player.menuState().start);
    }

    void failingReplay_endsTheReplayWithStopStillEnabled() {
        FakeBackend backend;
        MusicPlayer player(&backend);
        QVERIFY(player.playChosen(m_song));
        backend.end(MediaBackend::Ending::Finished);
        backend.playSucceeds = false;
        player.replay();
        QCOMPARE(player.musicMark(), 1);
        QVERIFY(!player.replayTimer()->isActive());
        QVERIFY(player.menuState().stop);
        QVERIFY(!player.menuState().start);

        // An error while playing would repeat every second: no retry either.
        backend.playSucceeds = true;
        player.replay();
        backend.end(MediaBackend::Ending::Failed);
        QVERIFY(!player.replayTimer()->isActive());
        QCOMPARE(player.musicMark(), 1);
    }

    void resumeAtStartup_onlyWhenAskedAndTheFileExists() {
        FakeBackend backend;
        MusicPlayer player(&backend);
        QCOMPARE(player.musicOnTimer()->objectName(), QStringLiteral("TMusicOn"));
        QCOMPARE(player.musicOnTimer()->interval(), 500);
        player.setMusicFile(m_song);
        player.setMusicFolder(QFileInfo(m_song).absolutePath());
        QVERIFY(!player.scheduleResume(false, true));
        QVERIFY(!player.scheduleResume(true, false));
        player.setMusicFile(m_dir.filePath(QStringLiteral("missing.mp3")));
        QVERIFY(!player.scheduleResume(true, true));
        QVERIFY(!player.musicOnTimer()->isActive());
        QVERIFY(backend.calls.isEmpty());

        // A failure is silent and leaves the music off.
        player.setMusicFile(m_song);
        backend.openSucceeds = false;
        QVERIFY(player.scheduleResume(true, true));
        player.resumeAtStartup();
        QCOMPARE(player.musicMark(), 0);
        QVERIFY(!player.musicOnTimer()->isActive());

        backend.openSucceeds = true;
        QDir::setCurrent(m_dataFolder);
        QVERIFY(player.scheduleResume(true, true));
        player.musicOnTimer()->setInterval(10);
        QTRY_COMPARE(player.musicMark(), 1);
        QVERIFY(backend.playing);
        QCOMPARE(backend.fileName, m_song);
        QCOMPARE(QDir::current(), QDir(player.musicFolder()));
    }

    void shutDown_silencesButKeepsTheMark() {
        FakeBackend backend;
        MusicPlayer player(&backend);
        QVERIFY(player.playChosen(m_song));
        player.shutDown();
        QCOMPARE(player.musicMark(), 1);
        QVERIFY(!backend.isOpen);
        QVERIFY(!player.replayTimer()->isActive());
    }
};

QTEST_GUILESS_MAIN(TestMusicPlayer)
#include "test_music_player.moc"
