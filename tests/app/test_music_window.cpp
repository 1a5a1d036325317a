#include "SourceFakes.h"
#include "WindowFixture.h"

#include "music/MusicPlayer.h"
#include "settings/SettingsFile.h"

#include <QMenu>

using namespace zk;

class test_music_window : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void cancelWhilePlaying_leavesMusicStopped_startEnabled();
    void nothingChosen_startAndStopDisabled_dialogInDataFolder();
    void chooseDuringRun_pausesReading_andRestartsCount();
    void failingOpen_showsMessage_andLeavesMusicOff();
    void musicOnAtShutDown_resumesNextStart_onlyWhenRemembering();
    void unstorableName_playsButIsNeitherStoredNorResumed();

private:
    QString m_savedCurrent;
};

namespace {

const QString OpenFailedText = QStringLiteral(
    "Не удалось открыть файл. Возможно расширение его имени не соответствует формату, в котором "
    "он сохранен.");

struct Fakes {
    FakeBackend *backend = nullptr;
    ProbeDialogs *dialogs = nullptr;
};

// Puts a scripted player and probing dialogs into a started window.
Fakes installFakes(WindowFixture &f) {
    Fakes fakes;
    auto backend = std::make_unique<FakeBackend>();
    fakes.backend = backend.get();
    f.window->setMediaBackend(std::move(backend));
    auto dialogs = std::make_unique<ProbeDialogs>();
    fakes.dialogs = dialogs.get();
    f.window->setDialogs(std::move(dialogs));
    f.dialogs = nullptr; // owned and destroyed by the window
    return fakes;
}

QString makeSong(const WindowFixture &f, const QString &name) {
    const QString path = f.path(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qWarning("cannot create the song file");
    return path;
}

// Opens a music menu as the user would and returns the enabled states of
// choose, start and stop.
QList<bool> openMenu(MainWindow *w, const char *menu) {
    emit w->findChild<QMenu *>(QString::fromLatin1(menu))->aboutToShow();
    const bool main = qstrcmp(menu, "N4") == 0;
    return {namedAction(w, main ? "N34" : "Pum34")->isEnabled(),
            namedAction(w, main ? "N35" : "Pum35")->isEnabled(),
            namedAction(w, main ? "N36" : "Pum36")->isEnabled()};
}

const QList<bool> Playing = {true, false, true};
const QList<bool> Stopped = {true, true, false};
const QList<bool> NothingToPlay = {true, false, false};

} // namespace

void test_music_window::init() {
    m_savedCurrent = QDir::currentPath();
}

void test_music_window::cleanup() {
    QDir::setCurrent(m_savedCurrent);
}

void test_music_window::cancelWhilePlaying_leavesMusicStopped_startEnabled() {
    WindowFixture f;
    MainWindow *w = f.start();
    Fakes fakes = installFakes(f);
    const QString song = makeSong(f, QStringLiteral("Музыка/песня.mp3"));
    const QString folder = QFileInfo(song).absolutePath();

    fakes.dialogs->openAnswer = song;
    w->actions().N34->trigger();
    QCOMPARE(w->music()->musicMark(), 1);
    QVERIFY(fakes.backend->playing);
    QCOMPARE(fakes.backend->fileName, song);
    QCOMPARE(w->settingsRecord().MusicFile.value(), song);
    QCOMPARE(w->settingsRecord().MusicFolder.value(), folder);
    QCOMPARE(openMenu(w, "N4"), Playing);
    QCOMPARE(openMenu(w, "N40"), Playing);

    fakes.dialogs->openAnswer.clear();
    w->actions().Pum34->trigger();
    QCOMPARE(fakes.dialogs->lastFolder, folder);
    // The designed kinds, then what GStreamer plays here.
    QCOMPARE(fakes.dialogs->lastFilter,
             QStringLiteral("Музыкальные файлы (*.avi *.mov *.mp? *.wav *.mid *.ogg *.oga *.opus "
                            "*.flac *.m4a);;Все файлы (*.* *)"));
    QCOMPARE(w->music()->musicMark(), 0);
    QVERIFY(!fakes.backend->playing);
    QVERIFY(!fakes.backend->isOpen);
    QCOMPARE(openMenu(w, "N4"), Stopped);
    QCOMPARE(openMenu(w, "N40"), Stopped);
    QVERIFY(fakes.dialogs->messages.isEmpty());

    // Start plays the remembered file again; stop silences it.
    w->actions().N35->trigger();
    QCOMPARE(w->music()->musicMark(), 1);
    QVERIFY(fakes.backend->playing);
    QCOMPARE(openMenu(w, "N40"), Playing);
    w->actions().Pum36->trigger();
    QCOMPARE(w->music()->musicMark(), 0);
    QVERIFY(!fakes.backend->isOpen);

    // A stored file that has gone cannot be started.
    QVERIFY(QFile::remove(song));
    QCOMPARE(openMenu(w, "N4"), NothingToPlay);
}

void test_music_window::nothingChosen_startAndStopDisabled_dialogInDataFolder() {
    WindowFixture f;
    MainWindow *w = f.start();
    Fakes fakes = installFakes(f);
    QCOMPARE(openMenu(w, "N4"), NothingToPlay);
    QCOMPARE(openMenu(w, "N40"), NothingToPlay);

    w->actions().N34->trigger();
    QCOMPARE(fakes.dialogs->openDialogs, 1);
    QCOMPARE(fakes.dialogs->lastFolder, f.dir.path());
    QCOMPARE(QDir::current(), QDir(f.dir.path()));
    QCOMPARE(fakes.backend->count("open"), 0);
    QCOMPARE(openMenu(w, "N4"), NothingToPlay);
}

void test_music_window::chooseDuringRun_pausesReading_andRestartsCount() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("раз два три четыре пять шесть семь"));
    Fakes fakes = installFakes(f);
    const QString song = makeSong(f, QStringLiteral("песня.wav"));
    QList<bool> timersWhileOpen;
    fakes.dialogs->whileOpen = [&] {
        timersWhileOpen = {w->timers().t1->isActive(), w->timers().T2->isActive()};
    };

    w->reading()->start();
    w->reading()->tick();
    QVERIFY(w->engine().state().WordCount > 0);
    fakes.dialogs->openAnswer = song;
    w->actions().N34->trigger();
    QCOMPARE(timersWhileOpen, (QList<bool>{false, false}));
    QVERIFY(w->isReading());
    QVERIFY(w->timers().t1->isActive());
    QVERIFY(w->timers().T2->isActive());
    QCOMPARE(w->engine().state().WordCount, 0);
    QCOMPARE(w->music()->musicMark(), 1);

    // Reading and music are independent: stopping the one leaves the other.
    w->reading()->stopAndClear();
    QCOMPARE(w->music()->musicMark(), 1);
    fakes.dialogs->openAnswer.clear();
    w->actions().N34->trigger();
    QVERIFY(!w->timers().t1->isActive());
    QVERIFY(!w->timers().T2->isActive());
}

void test_music_window::failingOpen_showsMessage_andLeavesMusicOff() {
    WindowFixture f;
    MainWindow *w = f.start();
    Fakes fakes = installFakes(f);
    const QString good = makeSong(f, QStringLiteral("a/good.mp3"));
    const QString bad = makeSong(f, QStringLiteral("b/bad.mid"));
    fakes.dialogs->openAnswer = good;
    w->actions().N34->trigger();
    QCOMPARE(w->music()->musicMark(), 1);

    fakes.backend->openSucceeds = false;
    fakes.dialogs->openAnswer = bad;
    w->actions().N34->trigger();
    QCOMPARE(fakes.dialogs->messages, QStringList{OpenFailedText});
    QCOMPARE(w->music()->musicMark(), 0);
    QCOMPARE(w->settingsRecord().MusicFile.value(), good);
    QCOMPARE(w->settingsRecord().MusicFolder.value(), QFileInfo(good).absolutePath());

    // The start command fails the same way.
    QCOMPARE(openMenu(w, "N4"), Stopped);
    w->actions().N35->trigger();
    QCOMPARE(fakes.dialogs->messages, (QStringList{OpenFailedText, OpenFailedText}));
    QCOMPARE(w->music()->musicMark(), 0);
    QCOMPARE(openMenu(w, "N4"), Stopped);
}

void test_music_window::musicOnAtShutDown_resumesNextStart_onlyWhenRemembering() {
    WindowFixture f;
    const QString song = makeSong(f, QStringLiteral("Музыка/песня.mp3"));
    {
        MainWindow *w = f.start(QString(), false);
        Fakes fakes = installFakes(f);
        w->actions().MnRemAll->setChecked(true);
        fakes.dialogs->openAnswer = song;
        w->actions().N34->trigger();
        QCOMPARE(w->music()->musicMark(), 1);
        w->shutDown();
        QVERIFY(!fakes.backend->isOpen);
        f.window.reset();
    }
    const std::optional<SettingsRecord> stored =
        SettingsFile::load(f.path(QStringLiteral("ZKData")));
    QVERIFY(stored);
    QVERIFY(stored->MusicOn.isOn());
    QVERIFY(stored->RemAll.isOn());
    QCOMPARE(stored->MusicFile.value(), song);
    QCOMPARE(stored->MusicFolder.value(), QFileInfo(song).absolutePath());

    {
        MainWindow *w = f.start(QString(), false);
        QTimer *resume = w->music()->musicOnTimer();
        QVERIFY(resume->isActive());
        QVERIFY(resume->isSingleShot());
        QCOMPARE(resume->interval(), 500);
        Fakes fakes = installFakes(f);
        QVERIFY(w->music()->musicOnTimer()->isActive());
        QTRY_COMPARE(w->music()->musicMark(), 1);
        QCOMPARE(fakes.backend->fileName, song);
        QVERIFY(fakes.backend->playing);
        QVERIFY(fakes.dialogs->messages.isEmpty());

        w->actions().MnRemAll->setChecked(false);
        w->shutDown();
        f.window.reset();
    }
    QVERIFY(SettingsFile::load(f.path(QStringLiteral("ZKData")))->MusicOn.isOn());

    MainWindow *w = f.start(QString(), false);
    QVERIFY(!w->music()->musicOnTimer()->isActive());
    QCOMPARE(w->music()->musicMark(), 0);
}

void test_music_window::unstorableName_playsButIsNeitherStoredNorResumed() {
    WindowFixture f;
    const QString song = makeSong(f, QStringLiteral("песня.mp3"));
    // U+266B has no place in Windows-1251.
    const QString unstorable = makeSong(f, QStringLiteral("ноты/песня ♫.mp3"));
    {
        MainWindow *w = f.start(QString(), false);
        Fakes fakes = installFakes(f);
        w->actions().MnRemAll->setChecked(true);
        fakes.dialogs->openAnswer = song;
        w->actions().N34->trigger();
        fakes.dialogs->openAnswer = unstorable;
        w->actions().N34->trigger();
        QCOMPARE(w->music()->musicMark(), 1);
        QCOMPARE(fakes.backend->fileName, unstorable);
        QCOMPARE(w->settingsRecord().MusicFile.value(), QString());
        QCOMPARE(w->settingsRecord().MusicFolder.value(), QString());

        // The session still knows the file.
        w->actions().N36->trigger();
        QCOMPARE(openMenu(w, "N4"), Stopped);
        w->actions().N35->trigger();
        QCOMPARE(fakes.backend->fileName, unstorable);
        QCOMPARE(w->music()->musicMark(), 1);
        f.window.reset();
    }
    // Neither the earlier file nor anything else starts by itself.
    MainWindow *w = f.start(QString(), false);
    QVERIFY(!w->music()->musicOnTimer()->isActive());
}

QTEST_MAIN(test_music_window)
#include "test_music_window.moc"
