#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class QAction;

namespace zk {

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
    void loadFromClipboard();
    void clearEditor();
    void saveEditor();
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
    QString lastEditPath() const;

    void setConverter(std::unique_ptr<DocumentConverter> converter);

    static bool isPlainTextFile(const QString &path);
    static const QString &conversionMessage();
    static const QString &saveMessage();
    // `problem` says in the user's words why a load or save failed.
    static QString loadTextFile(const QString &path, bool *ok, QString *problem = nullptr);
    static bool saveTextFile(const QString &path, const QString &text, QString *problem = nullptr);

private:
    void prepareFileMenu(QAction *loadBuffer, QAction *save, QAction *clear);
    std::optional<QString> readCommandLineFile();
    std::optional<QString> convertDocument(const QString &path);
    QString dialogFolder();
    void rememberTextFolder(const QString &file);

    WindowParts &m_parts;
    std::unique_ptr<DocumentConverter> m_converter;
    bool m_commandLineRead = false;
    bool m_lastEditUnread = false; // there, but start-up could not read it
    QString m_startupMessage;      // shown once the window is up
};

} // namespace zk
