#pragma once

#include "app/Actions.h"
#include "display/Clock.h"
#include "display/Statistics.h"
#include "reading/ReadingEngine.h"
#include "settings/SettingsRecord.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QDialog;
class QKeyEvent;
class QMenu;

namespace zk {

class ControlStrip;
class Dialogs;
class MediaBackend;
class MusicPlayer;
class DocumentConverter;
class SignalWatcher;
class DisplayPanel;
class EditorPanel;
class FullScreenWindow;
class StatisticsBar;

// What start-up is given from outside.
struct StartupOptions {
    QString dataFolder;      // holds "ZKData" and "LastEdit"
    QString commandLineFile; // absolute path of a file to read, or empty
    QString userDataFolder;  // where a session end puts what it could not store; empty: per-user
    const Clock *clock = nullptr;
    // Signals, the session's end: heard from the start of start-up on.
    SignalWatcher *termination = nullptr;
};

// The main window TForm1: it composes the display, the control strip, the
// editor and the statistics bar, and routes commands to them.
class MainWindow final : public QMainWindow, private ChunkerHost {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainWindow)
public:
    explicit MainWindow(const StartupOptions &options);
    ~MainWindow() override;

    // Creates TForm2 and runs its start-up decisions (full screen, auto-start).
    void createFullScreenWindow();

    // Reading control.
    void BtStartClick();
    void ActBtStopExecute();
    void BtStopClick();
    void T1Timer();
    bool isReading() const;
    void suspend();
    void resumeIfReading(bool restartCount);

    // Display.
    void MainPanelDblClick();
    void LayoutMainRows();
    void LayoutFullScreenRows();
    void clearAllRows();
    void N13Click();
    void N14Click();

    // Spinners and row capacity.
    void Edit1Change();
    void UpDown1Click();
    void Panel7DblClick();
    void ActGoToStart();
    void Edit2Change();
    void Edit3Change();
    void ActCheckLines();
    void actmaxlength1();
    void ActMaxLength2();
    void TMaxLengthTimer();
    void FullScreenTimer1Timer();

    // Statistics.
    void ActBeginToCount();
    void T2Timer();
    void Timer1Timer();

    // Full screen.
    void MnFulScreenClick();

    // Editor.
    void ActLocateSelStart();
    void MnShowEditClick();
    void ActHideEdit();
    void TEditOnTimer();
    void RichEdit1SelectionChange();
    void onShownLinesCounted();
    void PopupMenu2Popup();
    void N24Click();
    void PumCopyClick();
    void PumCutClick();
    void PumPasteClick();
    void MnEditFontClick();
    void MnEditColorClick();
    void ReformatEditor();

    // Loading and saving.
    void ActLoadFromFile();
    void MnLoadFromBufferClick();
    void MnClearEditClick();
    void MnSaveEditClick();
    static bool isPlainTextFile(const QString &path);
    static const QString &conversionMessage();
    static const QString &saveMessage();

    // Seams for tests.
    void setDialogs(std::unique_ptr<Dialogs> dialogs);
    void setConverter(std::unique_ptr<DocumentConverter> converter);
    void setClipboardText(std::function<QString()> text) { m_clipboardText = std::move(text); }
    QString clipboardText() const;

    // About and help.
    void N5Click();
    void ActHelpExecute();
    QString helpFile() const;

    // Music.
    void N34Click();
    void N35Click();
    void N36Click();
    void N4Popup(QMenu *menu);
    void setMediaBackend(std::unique_ptr<MediaBackend> backend);
    MusicPlayer *music() const { return m_music; }

    // Menu opening rules.
    void N1Popup();
    void PumFilePopup();
    void N2Popup();
    void N22Popup();
    void PumTumesPopup();
    void PumPausePopup();
    void PopupMenu1Popup();

    // Settings.
    void CaptureSettings(SettingsRecord &record) const;
    void ApplyViewSettings(const SettingsRecord &record);
    void ApplyOptionFlags(const SettingsRecord &record);
    void ApplyReadingSettings(const SettingsRecord &record);
    void ApplyWindowPlacement(const SettingsRecord &record);
    void LoadSettingsFile();
    void SaveSettingsFile();
    void N28Click();
    void MnSetViewClick();
    void ActSetFont();

    // Statistics bar options.
    void MnShowTimeAndSpeedClick();
    void MnShowTimeOfReadingClick();
    void MnShowTimeOfWorkClick();
    void MnShowSpeedInSignsClick();
    void MnShowSpeedInWordsClick();
    void PopupMenu3Popup();

    // Life cycle.
    void ActCloseExecute();
    // The shut-down when no window may wait: a session end, a termination signal.
    void shutDownUnattended();
    // A termination from outside: that shut-down, then every event loop ends,
    // modal ones included. One that comes while the window is being made waits
    // for the end of createFullScreenWindow(); start-up then goes quickly: a
    // conversion gives up and nothing is asked.
    void requestTermination();
    void applicationActivated();
    void applicationDeactivated();

    ReadingEngine &engine() { return m_engine; }
    Statistics &statistics() { return m_stats; }
    EditorPanel *editor() const { return m_editor; }
    DisplayPanel *mainPanel() const { return m_panel; }
    FullScreenWindow *fullScreenWindow() const;
    ControlStrip *strip() const { return m_strip; }
    StatisticsBar *statisticsBar() const { return m_bar; }
    const Actions &actions() const { return m_actions; }
    const Timers &timers() const { return m_timers; }
    const SettingsRecord &settingsRecord() const { return m_record; }
    const SettingsRecord &defaultSettings() const { return m_defaults; }
    QString settingsPath() const;
    QString lastEditPath() const;
    QFont editorFont() const { return m_fontdialog1; }
    bool isShutDown() const { return m_shutDown; }
    QString dataFolder() const { return m_options.dataFolder; }

    // `problem` says in the user's words why a load or save failed.
    static QString loadTextFile(const QString &path, bool *ok, QString *problem = nullptr);
    static bool saveTextFile(const QString &path, const QString &text, QString *problem = nullptr);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // ChunkerHost
    int lineCount() const override;
    QString line(int index) const override;
    ReadingOptions options() const override;
    int rowLength() const override;
    void setProgress(int percent) override;

    void buildMenus();
    void buildActions();
    void buildTimers();
    void wireControls();
    void runStartup();
    void loadStartupText();
    void storeLastEdit();
    void tellSaveFailure(const QString &failure);
    void tellLastSessionNote();
    static void logProblem(const QString &text);
    std::optional<QString> readCommandLineFile();
    void placeEditor();
    std::array<QAction *, 4> pauseModes() const;
    void pauseModeClick(QAction *chosen);
    void applyDisplayFont(const QFont &font, const QColor &color);
    void eventPump(Qt::CursorShape shape);
    bool mainShown() const;
    bool fullScreenShown() const;
    int measureCapacity(int width) const;
    void setProgressValue(int percent);
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool editorKey(QKeyEvent *event);
    static bool isEditorClipboardKey(QKeyCombination key);
    void showEditorWidget();
    void setEditorMenus(bool shown);
    void pasteText(const QString &text);
    void coverEditor(bool on);
    QString dialogFolder();
    void rememberTextFolder(const QString &file);
    std::optional<QString> convertDocument(const QString &path);
    QWidget *dialogParent();
    void fileMenuRule(QAction *loadBuffer, QAction *save, QAction *clear);
    void chooseBarPanel(QAction *onItem, QAction *offItem, QWidget *show, QWidget *hide);
    void onFullScreenShown();
    void onFullScreenResized();

    StartupOptions m_options;
    std::unique_ptr<SteadyClock> m_ownClock;
    const Clock &m_clock;
    ReadingEngine m_engine;
    Statistics m_stats;
    SettingsRecord m_record;
    SettingsRecord m_defaults;

    DisplayPanel *m_panel = nullptr;
    ControlStrip *m_strip = nullptr;
    StatisticsBar *m_bar = nullptr;
    EditorPanel *m_editor = nullptr;
    QPointer<FullScreenWindow> m_fullScreen;
    QMenu *m_popup1 = nullptr;
    QMenu *m_popup3 = nullptr;
    QMenu *m_popup2 = nullptr;
    QWidget *m_memo1 = nullptr;
    std::unique_ptr<Dialogs> m_dialogs;
    std::unique_ptr<DocumentConverter> m_converter;
    std::function<QString()> m_clipboardText;
    Actions m_actions{};
    Timers m_timers{};
    QTimer *m_settle = nullptr;
    QFont m_fontdialog1; // the font dialog's font: what the editor text takes
    QColor m_editorTextColor = Qt::black;

    std::unique_ptr<MediaBackend> m_backend;
    MusicPlayer *m_music = nullptr;
    QPointer<QDialog> m_aboutBox;
    QPointer<QDialog> m_helpWindow;
    bool m_shutDown = false;
    bool m_unattended = false;
    bool m_startedUp = false;
    bool m_terminationRequested = false;
    bool m_commandLineRead = false;
    bool m_lastEditUnread = false; // there, but start-up could not read it
    QString m_startupMessage;      // shown once the window is up
    bool m_readSincePlaced = false;
    bool m_deactivated = false;
    int m_caretAwaitingLine = -1; // a caret whose shown line is still being counted
    int m_lineAwaited = 0;
    bool m_settingProgress = false;
};

} // namespace zk
