#pragma once

// Generated Russian texts and a main window over them, for the benchmarks.
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
#include "display/ControlStrip.h"
#include "formats/TextCodec.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

namespace bench {

// About `chars` characters of Russian words and punctuation, in paragraphs of
// `minWords` to `maxWords` words.
inline QString russianText(qsizetype chars, int minWords, int maxWords) {
    static const char16_t *const words[] = {u"чтение",
                                            u"быстро",
                                            u"Москва",
                                            u"слово",
                                            u"строка",
                                            u"внимание",
                                            u"глаза",
                                            u"текст",
                                            u"привычка",
                                            u"рентгеноэлектрокардиографического",
                                            u"северо-западный",
                                            u"и",
                                            u"в",
                                            u"на",
                                            u"книга",
                                            u"Пушкин",
                                            u"вечером",
                                            u"река",
                                            u"лес",
                                            u"тропинка"};
    static const char16_t *const marks[] = {u"", u"", u"", u",", u".", u"!", u"?", u";"};
    QRandomGenerator rng(42);
    QString text;
    text.reserve(chars + 64);
    int inParagraph = 0;
    int paragraphLength = minWords;
    while (text.size() < chars) {
        text += QString::fromUtf16(words[rng.bounded(20)]);
        text += QString::fromUtf16(marks[rng.bounded(8)]);
        if (++inParagraph >= paragraphLength) {
            text += QLatin1Char('\n');
            inParagraph = 0;
            paragraphLength = minWords + rng.bounded(maxWords - minWords + 1);
        } else {
            text += QLatin1Char(' ');
        }
    }
    return text;
}

inline void writeFile(const QString &path, const QString &text) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(zk::TextCodec::encode(text));
}

// A shown main window whose "LastEdit" holds `text`.
// The process's memory in KB from /proc/self/status: "VmRSS" now, "VmHWM" its peak.
inline qint64 residentKb(const char *field = "VmRSS:") {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLongLong();
    }
    return 0;
}

struct WindowSession {
    QTemporaryDir dir;
    std::unique_ptr<zk::MainWindow> window;

    explicit WindowSession(const QString &text) {
        writeFile(QDir(dir.path()).filePath(QStringLiteral("LastEdit")), text);
        zk::StartupOptions o;
        o.dataFolder = dir.path();
        window = std::make_unique<zk::MainWindow>(o);
        window->show();
        window->createFullScreenWindow();
    }
};

// Answers the open dialog with one path; every other dialog is cancelled.
class AnswerDialogs final : public zk::Dialogs {
public:
    QString path;
    std::optional<zk::FontChoice> chooseFont(QWidget *, const zk::FontChoice &) override {
        return std::nullopt;
    }
    std::optional<QColor> chooseColor(QWidget *, const QColor &) override { return std::nullopt; }
    QString openFile(QWidget *, const QString &, const QString &) override { return path; }
    QString saveFile(QWidget *, const QString &, const QString &) override { return {}; }
    void message(QWidget *, const QString &) override {}
};

// Reading with nine rows, endlessly, with the ticks driven by the benchmark.
inline void startNineRowRun(zk::MainWindow *w) {
    w->strip()->UpDown4->setValue(9);
    w->engine().state().LineCount = 9;
    w->engine().state().RowCapacity = 54;
    w->actions().MnReadNonStop->setChecked(true);
    w->reading()->start();
    w->timers().t1->stop();
}

inline int run(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace bench
