#pragma once

#include <QObject>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <optional>

class QAction;
class QTimer;

namespace zk {

class ContinuedText;
class ConversionResult;
class DocumentConverter;
struct WindowParts;

// The editor's text as a document: loading it from a file or the clipboard,
// saving, clearing, the text at start-up and the one kept at exit.
class DocumentController final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DocumentController)
public:
    explicit DocumentController(WindowParts &parts);
    ~DocumentController() override;

    void loadFromFile();
    // A file dropped on the display: as "Загрузить из файла" without the dialog.
    void loadDroppedFile(const QString &path);
    // A file handed over by a later start: read from its top at once, as the command line.
    // The last hand-over wins: it stops a load in progress and is read when that has ended.
    void openHandedFile(const QString &path);
    // A book from "Недавние книги": loaded and placed where it was left, not started.
    void openRecentBook(const QByteArray &systemPath, int line);
    void loadFromClipboard();
    void clearEditor();
    void saveEditor();
    // Ctrl+S: as the menu item, which the File menu offers only for a text.
    void saveEditorByKey();
    void prepareMainFileMenu();
    void prepareDisplayFileMenu();

    // Start-up: the named file, or else the text kept at the last exit. A named file
    // that cannot be read leaves a message for when the window is up.
    void loadStartupText();
    bool commandLineRead() const { return m_commandLineRead; }
    QString takeStartupMessage();
    // At exit: a text that cannot be stored is offered another place, or, when no
    // window may wait, put in the per-user data folder.
    void storeLastEdit();
    bool lastEditUnread() const { return m_lastEditUnread; }
    // A termination came while the stored text was being read.
    bool startupStopped() const { return m_startupStopped; }
    QString lastEditPath() const;

    void setConverter(std::unique_ptr<DocumentConverter> converter);

    // Whether a long book is still coming into the editor after its beginning.
    bool readingOn() const { return m_rest != nullptr; }
    // Stops the background reading of a book at once; the editor keeps what came.
    void stopReadingOn();

    static bool isPlainTextFile(const QString &path);
    static const QString &conversionMessage();
    static const QString &saveMessage();
    // Our own "LastEdit" keeps its exact encoding rule; a user's file may come in any
    // encoding a Russian reader's files come in.
    enum class Origin { Ours, Users };
    // `problem` says in the user's words why a load or save failed.
    static QString loadTextFile(const QString &path, Origin origin, bool *ok,
                                QString *problem = nullptr);
    // `text` as the editor holds it (see EditorPanel::heldText).
    static bool saveTextFile(const QString &path, QStringView text, QString *problem = nullptr);

private:
    void prepareFileMenu(QAction *loadBuffer, QAction *save, QAction *clear);
    std::optional<QString> readCommandLineFile();
    // The text of a plain or any other document; nullopt with `failure` saying why (empty
    // when there is nothing to tell: a cancelled load, a termination).
    std::optional<QString> readDocument(const QString &path, QString *failure);
    ConversionResult convertDocument(const QString &path);
    // Which of the books in the archive at `path` to read; nullopt ends the load as cancelled.
    std::optional<qsizetype> chooseBook(const QString &path, const QStringList &books);
    // Whether the load in progress is still wanted: not at a termination, nor after a newer
    // hand-over.
    bool loadWanted() const;
    void openLastHandedFile();
    // Loads the file into the editor from its start; false with the failure told.
    bool loadFile(const QString &path);
    void tellFailure(const QString &failure);
    // The rest of the document just put in the editor, if it is still being read.
    void followRest();
    QString dialogFolder();
    void rememberTextFolder(const QString &file);

    WindowParts &m_parts;
    std::unique_ptr<DocumentConverter> m_converter;
    bool m_commandLineRead = false;
    std::optional<QTemporaryDir> m_recentLinks; // readable names for recent books' files
    bool m_lastEditUnread = false;              // there, but start-up could not read it
    bool m_readDamaged = false;                 // the last document read had lost part of itself
    bool m_startupStopped = false;
    QString m_startupMessage;      // shown once the window is up
    bool m_loading = false;        // a document is being read, events pumped meanwhile
    bool m_loadSuperseded = false; // a hand-over came during it
    QString m_handedFile;          // the last hand-over, not yet read
    QTimer *m_handedRetry = nullptr;
    std::shared_ptr<ContinuedText> m_readRest; // the rest of the document just read
    std::shared_ptr<ContinuedText> m_rest;     // the rest of the editor's book, coming in
};

} // namespace zk
