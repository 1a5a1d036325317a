#pragma once

#include "app/Actions.h"
#include "app/commands/WindowParts.h"

#include <QMainWindow>

#include <array>
#include <memory>

class QMenu;

namespace zk {

class ControlStrip;
class DisplayPanel;
class DocumentConverter;
class DocumentController;
class EditorController;
class EditorPanel;
class FullScreenWindow;
class HelpController;
class JournalController;
class MediaBackend;
class MusicController;
class MusicPlayer;
class ReadingController;
class ReadingEngine;
class SessionController;
class SettingsController;
class Statistics;
class StatisticsBar;
class ViewController;
class SteadyClock;

// The main window TForm1: it composes the display, the control strip, the
// editor and the statistics bar, and hands each command to the controller that
// owns it.
class MainWindow final : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainWindow)
public:
    explicit MainWindow(const StartupOptions &options);
    ~MainWindow() override;

    // Creates TForm2 and runs the start-up decisions that wait for the window
    // (full screen, auto-start).
    void createFullScreenWindow();
    void shutDown();
    // A file a later start handed over: read at once, as the command line would be.
    void openHandedFile(const QString &path);
    bool isShutDown() const { return m_parts.shutDown; }
    bool isReading() const;

    ReadingController *reading() const { return m_reading.get(); }
    ViewController *view() const { return m_view.get(); }
    EditorController *editing() const { return m_editing.get(); }
    DocumentController *documents() const { return m_documents.get(); }
    SettingsController *settings() const { return m_settings.get(); }
    SessionController *session() const { return m_session.get(); }
    MusicController *musicCommands() const { return m_music.get(); }
    HelpController *help() const { return m_help.get(); }
    JournalController *journal() const { return m_journal.get(); }
    ComprehensionController *comprehension() const { return m_comprehension.get(); }

    ReadingEngine &engine();
    Statistics &statistics();
    MusicPlayer *music() const;
    EditorPanel *editor() const { return m_parts.editor; }
    DisplayPanel *mainPanel() const { return m_parts.panel; }
    FullScreenWindow *fullScreenWindow() const;
    ControlStrip *strip() const { return m_parts.strip; }
    StatisticsBar *statisticsBar() const { return m_parts.bar; }
    const Actions &actions() const { return m_parts.actions; }
    const Timers &timers() const { return m_parts.timers; }
    const SettingsRecord &settingsRecord() const { return m_parts.record; }
    const SettingsRecord &defaultSettings() const { return m_parts.defaults; }
    QString dataFolder() const { return m_parts.options.dataFolder; }

    // Seams for tests.
    void setDialogs(std::unique_ptr<Dialogs> dialogs);
    void setConverter(std::unique_ptr<DocumentConverter> converter);
    void setMediaBackend(std::unique_ptr<MediaBackend> backend);
    void setClipboardText(std::function<QString()> text);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildWidgets();
    void buildMenus();
    // Ctrl+O, Ctrl+S, Ctrl+Q and Space, owned by both reading windows.
    std::array<QAction *, 4> readingWindowKeys() const;
    void buildTimers();
    void connectCommands();
    void connectMenuRules();
    void connectControls();

    std::unique_ptr<SteadyClock> m_ownClock;
    WindowParts m_parts;
    QMenu *m_statisticsMenu = nullptr;
    QMenu *m_editorMenu = nullptr;
    // Declared after the parts they use, so they go first.
    std::unique_ptr<JournalController> m_journal; // the others record into it: made first
    std::unique_ptr<ComprehensionController> m_comprehension;
    std::unique_ptr<ReadingController> m_reading;
    std::unique_ptr<EditorController> m_editing;
    std::unique_ptr<DocumentController> m_documents;
    std::unique_ptr<ViewController> m_view;
    std::unique_ptr<SettingsController> m_settings;
    std::unique_ptr<MusicController> m_music;
    std::unique_ptr<HelpController> m_help;
    std::unique_ptr<SessionController> m_session;
};

} // namespace zk
