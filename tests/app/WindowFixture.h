#pragma once

#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "app/commands/DocumentController.h"
#include "app/commands/EditorController.h"
#include "app/commands/HelpController.h"
#include "app/commands/MusicController.h"
#include "app/commands/ReadingController.h"
#include "app/commands/SessionController.h"
#include "app/commands/SettingsController.h"
#include "app/commands/ViewController.h"
#include "display/Clock.h"
#include "display/ControlStrip.h"
#include "display/DisplayPanel.h"
#include "editor/EditorPanel.h"
#include "formats/TextCodec.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <functional>
#include <memory>
#include <sys/resource.h>

// A menu item or command by the name the tests know it by.
inline QAction *namedAction(const QObject *window, const char *name) {
    return window->findChild<QAction *>(QString::fromLatin1(name));
}

// Makes every larger write fail while it lives, as a full disk would.
class FileSizeLimit final {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit limited = m_saved;
        limited.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_saved); }
    bool active() const { return m_active; }
    Q_DISABLE_COPY_MOVE(FileSizeLimit)

private:
    rlimit m_saved{};
    bool m_active = false;
};

// Dialog answers queued by the test; messages are recorded.
class FakeDialogs final : public zk::Dialogs {
public:
    std::optional<zk::FontChoice> font;
    std::optional<QColor> color;
    QString openAnswer;
    QString saveAnswer;
    QStringList messages;
    QStringList questions;
    bool answer = false;
    int fontDialogs = 0;
    QString lastFolder;
    QString lastFilter;
    QStringList choiceAsked; // title, label, then the items of the last choice
    std::optional<int> choice;
    std::function<void()> whileChoosing;

    std::optional<zk::FontChoice> chooseFont(QWidget *, const zk::FontChoice &) override {
        ++fontDialogs;
        return font;
    }
    std::optional<QColor> chooseColor(QWidget *, const QColor &) override { return color; }
    QString openFile(QWidget *, const QString &folder, const QString &filter) override {
        lastFolder = folder;
        lastFilter = filter;
        return openAnswer;
    }
    QString saveFile(QWidget *, const QString &folder, const QString &filter) override {
        lastFolder = folder;
        lastFilter = filter;
        return saveAnswer;
    }
    void message(QWidget *, const QString &text) override { messages << text; }
    bool question(QWidget *, const QString &text) override {
        questions << text;
        return answer;
    }
    std::optional<int> chooseItem(QWidget *, const QString &title, const QString &label,
                                  const QStringList &items) override {
        choiceAsked = QStringList{title, label} + items;
        if (whileChoosing)
            whileChoosing();
        return choice;
    }
};

// A main window over a private data folder, with a clock the test drives.
struct WindowFixture {
    QTemporaryDir dir;
    zk::ManualClock clock;
    std::unique_ptr<zk::MainWindow> window;
    FakeDialogs *dialogs = nullptr;
    QString clipboard;

    QString path(const QString &name) const { return QDir(dir.path()).filePath(name); }

    void writeFile(const QString &name, const QByteArray &bytes) const {
        QFile f(path(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    QByteArray readFile(const QString &name) const {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    zk::MainWindow *start(const QString &commandLineFile = QString(), bool show = true) {
        zk::StartupOptions options;
        options.dataFolder = dir.path();
        options.commandLineFile = commandLineFile;
        options.userDataFolder = path(QStringLiteral("user"));
        options.clock = &clock;
        window = std::make_unique<zk::MainWindow>(options);
        auto fake = std::make_unique<FakeDialogs>();
        dialogs = fake.get();
        window->setDialogs(std::move(fake));
        window->setClipboardText([this] { return clipboard; });
        if (show) {
            window->show();
            window->activateWindow();
            if (!QTest::qWaitForWindowActive(window.get()))
                qWarning("the main window did not become active");
        }
        window->createFullScreenWindow();
        return window.get();
    }

    // Puts a text in the editor as if it had been there at start-up.
    zk::MainWindow *startWithText(const QString &text) {
        writeFile(QStringLiteral("LastEdit"), zk::TextCodec::encode(text));
        return start();
    }

    // Start reading, but drive the ticks by hand.
    void startReading() const {
        window->reading()->start();
        window->timers().t1->stop();
    }

    QString row(int i) const { return window->mainPanel()->row(i)->text(); }
};
