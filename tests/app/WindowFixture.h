#pragma once

#include "app/MainWindow.h"
#include "display/Clock.h"
#include "display/ControlStrip.h"
#include "display/DisplayPanel.h"
#include "editor/EditorPanel.h"
#include "editor/text/TextCodec.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// A main window over a private data folder, with a clock the test drives.
struct WindowFixture {
    QTemporaryDir dir;
    zk::ManualClock clock;
    std::unique_ptr<zk::MainWindow> window;

    QString path(const QString &name) const { return QDir(dir.path()).filePath(name); }

    void writeFile(const QString &name, const QByteArray &bytes) const
    {
        QFile f(path(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    QByteArray readFile(const QString &name) const
    {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    zk::MainWindow *start(const QString &commandLineFile = QString(), bool show = true)
    {
        zk::StartupOptions options;
        options.dataFolder = dir.path();
        options.commandLineFile = commandLineFile;
        options.clock = &clock;
        window = std::make_unique<zk::MainWindow>(options);
        if (show)
            window->show();
        window->createFullScreenWindow();
        return window.get();
    }

    // Puts a text in the editor as if it had been there at start-up.
    zk::MainWindow *startWithText(const QString &text)
    {
        writeFile(QStringLiteral("LastEdit"), zk::TextCodec::encode(text));
        return start();
    }

    // Start reading, but drive the ticks by hand.
    void startReading() const
    {
        window->BtStartClick();
        window->timer("t1")->stop();
    }

    QString row(int i) const { return window->mainPanel()->row(i)->text(); }
};
