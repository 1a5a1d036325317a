#pragma once

#include "app/Actions.h"
#include "app/Dialogs.h"
#include "settings/SettingsRecord.h"

#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class QMenu;
class QWidget;

namespace zk {

class Clock;
class ControlStrip;
class DisplayPanel;
class ComprehensionController;
class DocumentController;
class EditorController;
class EditorPanel;
class FullScreenWindow;
class HelpController;
class JournalController;
class MainWindow;
class MusicController;
class ReadingController;
class SessionController;
class SettingsController;
class SignalWatcher;
class StatisticsBar;
class ViewController;

// What start-up is given from outside.
struct StartupOptions {
    QString dataFolder;      // holds "ZKData" and "LastEdit"
    QString commandLineFile; // absolute path of a file to read, or empty
    QString userDataFolder;  // where a session end puts what it could not store; empty: per-user
    const Clock *clock = nullptr;
    // Signals, the session's end: heard from the start of start-up on.
    SignalWatcher *termination = nullptr;
};

// What the window's commands share: its widgets, the stored settings, the
// session's state and one another.
struct WindowParts {
    MainWindow *window = nullptr;
    StartupOptions options;
    const Clock *clock = nullptr;

    DisplayPanel *panel = nullptr;
    ControlStrip *strip = nullptr;
    StatisticsBar *bar = nullptr;
    EditorPanel *editor = nullptr;
    QPointer<FullScreenWindow> fullScreen;
    QMenu *displayMenu = nullptr; // the display's pop-up menu
    Actions actions{};
    Timers timers{};
    std::unique_ptr<Dialogs> dialogs;
    std::function<QString()> clipboardSource; // tests answer instead of the clipboard

    SettingsRecord record;
    SettingsRecord defaults;
    bool shutDown = false;
    bool unattended = false;           // no window may wait: a session end or a signal
    bool terminationRequested = false; // a signal asked the program to end
    bool readSincePlaced = false;      // reading moved on since the caret was placed

    ReadingController *reading = nullptr;
    ViewController *view = nullptr;
    EditorController *editing = nullptr;
    DocumentController *documents = nullptr;
    SettingsController *settings = nullptr;
    SessionController *session = nullptr;
    MusicController *music = nullptr;
    HelpController *help = nullptr;
    JournalController *journal = nullptr;
    ComprehensionController *comprehension = nullptr;

    bool mainShown() const;
    bool fullScreenShown() const;
    // Dialogs belong to whichever window is shown.
    QWidget *dialogParent() const;
    QString clipboardText() const;
};

} // namespace zk
