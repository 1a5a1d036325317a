#include "music/MusicPlayer.h"
#include "music/QtMediaBackend.h"

#include <QAudioDevice>
#include <QFile>
#include <QMediaDevices>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <cmath>

using namespace zk;
using namespace Qt::StringLiterals;

namespace {

template <typename T> void putLe(QByteArray &out, T value) {
    char bytes[sizeof(T)];
    qToLittleEndian(value, bytes);
    out.append(bytes, sizeof(T));
}

// Mono 16-bit PCM sine.
bool writeWav(const QString &path, double seconds) {
    const quint32 rate = 44100;
    const auto samples = quint32(seconds * rate);
    QByteArray data;
    for (quint32 i = 0; i < samples; ++i)
        putLe(data, qint16(8000 * std::sin(2 * M_PI * 440 * i / rate)));
    QByteArray wav("RIFF");
    putLe(wav, quint32(36 + data.size()));
    wav.append("WAVEfmt ");
    putLe(wav, quint32(16));
    putLe(wav, quint16(1)); // PCM
    putLe(wav, quint16(1)); // channels
    putLe(wav, rate);
    putLe(wav, quint32(rate * 2));
    putLe(wav, quint16(2)); // block align
    putLe(wav, quint16(16));
    wav.append("data");
    putLe(wav, quint32(data.size()));
    wav.append(data);
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(wav) == wav.size();
}

} // namespace

class TestQtMediaBackend final : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_wav;
    QString m_junk;

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_wav = m_dir.filePath(QStringLiteral("тон.wav"));
        QVERIFY(writeWav(m_wav, 0.3));
        m_junk = m_dir.filePath(QStringLiteral("junk.mp3"));
        QByteArray junk(64 * 1024, Qt::Uninitialized);
        QRandomGenerator rng(1234);
        for (auto &c : junk)
            c = char(rng.generate() & 0xFF);
        QFile f(m_junk);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(junk);

        // GStreamer falls back to a silent sink when no sound server runs, so the tests need
        // no sound card; skip only where nothing can play at all.
        const auto outputs = QMediaDevices::audioOutputs();
        qInfo() << "audio output:"
                << (outputs.isEmpty() ? QStringLiteral("none")
                                      : QMediaDevices::defaultAudioOutput().description());
        QtMediaBackend probe;
        probe.setFileName(m_wav);
        QString error;
        if (!probe.open(&error) || !probe.play(&error)) {
            if (outputs.isEmpty())
                QSKIP(qPrintable(u"Nothing can play here (no audio output; scripts/start-audio "
                                 u"starts a silent one): "_s +
                                 error));
            QFAIL(qPrintable(error));
        }
        probe.close();
    }

    void randomBytesNamedMp3_failToOpenOrPlay() {
        QtMediaBackend backend;
        MusicPlayer player(&backend);
        QVERIFY(!player.playChosen(m_junk));
        QCOMPARE(player.musicMark(), 0);
        QVERIFY(player.musicFile().isEmpty());
        QVERIFY(!backend.noticePending());

        QString error;
        backend.setFileName(m_junk);
        const bool opened = backend.open(&error);
        QVERIFY(!opened || !backend.play(&error));
        QVERIFY(!error.isEmpty());
        qInfo() << (opened ? "play failed:" : "open failed:") << error;
    }

    void wav_playsToTheEndAndReplays() {
        QtMediaBackend backend;
        MusicPlayer player(&backend);
        player.replayTimer()->setInterval(50);
        QSignalSpy notices(&backend, &MediaBackend::completed);
        QVERIFY(player.playChosen(m_wav));
        QCOMPARE(player.musicMark(), 1);

        QTRY_VERIFY_WITH_TIMEOUT(notices.count() >= 1, 10000);
        QCOMPARE(notices.at(0).at(0).value<MediaBackend::Ending>(), MediaBackend::Ending::Finished);
        // The replay rewinds and plays the whole file again.
        QTRY_VERIFY_WITH_TIMEOUT(notices.count() >= 2, 10000);
        QCOMPARE(notices.at(1).at(0).value<MediaBackend::Ending>(), MediaBackend::Ending::Finished);
        QCOMPARE(player.musicMark(), 1);

        player.stopPlaying();
        QCOMPARE(player.musicMark(), 0);
        QCOMPARE(backend.mediaPlayer()->playbackState(), QMediaPlayer::StoppedState);
        QVERIFY(player.canStart());
    }

    void playThatNeverSounds_isAFailedPlayWithoutNotice() {
        QtMediaBackend backend;
        backend.setFileName(m_wav);
        QString error;
        QVERIFY2(backend.open(&error), qPrintable(error));
        backend.setWaitLimit(1); // the first sound cannot come this soon
        QVERIFY(!backend.play(&error));
        QVERIFY(!backend.noticePending());
        QCOMPARE(backend.mediaPlayer()->playbackState(), QMediaPlayer::StoppedState);
    }

    void stopWhilePlaying_givesTheAbortNotice() {
        const QString longer = m_dir.filePath(QStringLiteral("long.wav"));
        QVERIFY(writeWav(longer, 5));
        QtMediaBackend backend;
        QSignalSpy notices(&backend, &MediaBackend::completed);
        backend.setFileName(longer);
        QString error;
        QVERIFY2(backend.open(&error), qPrintable(error));
        QVERIFY2(backend.play(&error), qPrintable(error));
        QCOMPARE(backend.mediaPlayer()->playbackState(), QMediaPlayer::PlayingState);
        QVERIFY(backend.stop());
        QCOMPARE(notices.count(), 1);
        QCOMPARE(notices.at(0).at(0).value<MediaBackend::Ending>(), MediaBackend::Ending::Aborted);
        // A stopped file opens and plays again.
        QVERIFY2(backend.open(&error), qPrintable(error));
        QVERIFY2(backend.play(&error), qPrintable(error));
        backend.close();
        QCOMPARE(notices.count(), 2);
        QVERIFY(!backend.stop());
        QVERIFY(!backend.play(nullptr));
        backend.setFileName(m_dir.filePath(QStringLiteral("missing.wav")));
        QVERIFY(!backend.open(&error));
    }
};

QTEST_GUILESS_MAIN(TestQtMediaBackend)
#include "test_qt_media_backend.moc"
