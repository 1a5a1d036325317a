#include "app/commands/DocumentController.h"

#include "app/DataFolder.h"
#include "app/SignalWatcher.h"
#include "app/commands/BusyCursor.h"
#include "app/commands/EditorController.h"
#include "app/commands/JournalController.h"
#include "app/commands/ProgressWindow.h"
#include "app/commands/ReadingController.h"
#include "app/commands/SessionController.h"
#include "app/commands/SessionRescue.h"
#include "app/commands/WindowParts.h"
#include "editor/EditorPanel.h"
#include "formats/ChainedConverter.h"
#include "formats/DocumentConverter.h"
#include "formats/EncodingDetector.h"
#include "formats/LibreOfficeConverter.h"
#include "formats/RtfReader.h"
#include "formats/TextCodec.h"
#include "reading/Chunker.h"
#include "settings/SafeFile.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include <utility>

namespace zk {

namespace {

const QString TextFilter =
    QStringLiteral("Текстовые файлы txt, rtf, doc, html, htm (*.txt *.rtf *.doc *.htm *.html);;"
                   "Все файлы  (*.* *)");
// Opening shows every kind we read first: a folder of EPUBs must not look empty.
const QString OpenFilter =
    QStringLiteral("Все книги и документы (*.txt *.fb2 *.fb2.zip *.epub *.pdf *.djvu *.djv *.docx "
                   "*.doc *.odt *.rtf *.htm *.html *.xhtml);;") +
    TextFilter +
    QStringLiteral(";;Книги FictionBook (*.fb2 *.fb2.zip);;"
                   "Книги EPUB (*.epub);;"
                   "Документы PDF (*.pdf);;"
                   "Документы DjVu (*.djvu *.djv);;"
                   "Документы Word (*.docx *.doc);;"
                   "Документы OpenDocument (*.odt);;"
                   "Документы RTF (*.rtf);;"
                   "Веб-страницы (*.htm *.html *.xhtml);;"
                   "Простой текст (*.txt)");
const QString LastEditName = QStringLiteral("LastEdit");
const QString NotTextProblem = QStringLiteral("Файл не похож на текст");
const QString DamagedBookMessage =
    QStringLiteral("Книга повреждена: показано то, что удалось прочитать");
const QString ManyBooksTitle = QStringLiteral("В архиве несколько книг");
// Far beyond any book, short of what the editor could hold.
constexpr qint64 MaxTextBytes = qint64(1) << 30;

// A picture or a program renamed .txt. Single-byte text holds no control bytes but line ends
// and tabs; text taken as UTF-16 or UTF-32 (whose zero bytes are text) has hardly a character
// outside the assigned ones.
bool looksLikeText(const QByteArray &bytes, const QString &text) {
    constexpr qsizetype Sample = 64 * 1024;
    const QByteArrayView head(bytes.constData(), std::min(bytes.size(), Sample));
    if (EncodingDetector::detect(head).source != EncodingDetector::Source::Wide) {
        qsizetype control = 0;
        for (const char b : head) {
            const auto c = static_cast<uchar>(b);
            control += c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != 0x1A;
        }
        if (control * 100 > head.size())
            return false;
    }
    const QStringView sample = QStringView(text).first(std::min(text.size(), Sample));
    qsizetype odd = 0;
    for (const QChar c : sample) {
        const QChar::Category kind = c.category();
        odd += c == QChar::ReplacementCharacter || kind == QChar::Other_NotAssigned ||
               kind == QChar::Other_PrivateUse || kind == QChar::Other_Surrogate;
    }
    return odd * 100 <= sample.size();
}

} // namespace

DocumentController::DocumentController(WindowParts &parts) : m_parts(parts) {
    // Documents convert while the window repaints; user input waits until the end.
    auto converter = std::make_unique<ChainedConverter>(std::make_unique<LibreOfficeConverter>(
        QStringLiteral("soffice"), std::chrono::seconds(60), [this] {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            return loadWanted();
        }));
    converter->setRtfReader(&RtfReader::plainText);
    converter->setEarlyStart(true);
    m_converter = std::move(converter);
    // A hand-over that came under a modal window waits for it to close.
    m_handedRetry = new QTimer(this);
    m_handedRetry->setSingleShot(true);
    m_handedRetry->setInterval(500);
    connect(m_handedRetry, &QTimer::timeout, this, &DocumentController::openLastHandedFile);
}

DocumentController::~DocumentController() = default;

void DocumentController::setConverter(std::unique_ptr<DocumentConverter> converter) {
    m_converter = std::move(converter);
}

const QString &DocumentController::conversionMessage() {
    static const QString text = QStringLiteral(
        "Не удалось открыть файл. Возможно на компьютере не установлен обновленный MS-Office. "
        "Попробуйте работать с файлами *.txt");
    return text;
}

const QString &DocumentController::saveMessage() {
    static const QString text =
        QStringLiteral("Не удалось сохранить редактор! Возможно диск защищен от записи.");
    return text;
}

bool DocumentController::isPlainTextFile(const QString &path) {
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return false;
    // ASCII upper-casing only, as the rule has always been.
    QString ext = name.mid(dot);
    for (QChar &c : ext) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 32);
    }
    return ext == QLatin1String(".TXT");
}

QString DocumentController::loadTextFile(const QString &path, Origin origin, bool *ok,
                                         QString *problem) {
    const SafeFile::Content content = SafeFile::read(path, MaxTextBytes, SafeFile::Excess::Nothing);
    const QString failure =
        content.truncated ? QStringLiteral("файл слишком велик") : content.problem;
    if (problem)
        *problem = failure;
    *ok = failure.isEmpty();
    if (!*ok)
        return {};
    if (origin == Origin::Ours)
        return TextCodec::decode(content.bytes);
    QString text = TextCodec::decodeUserFile(content.bytes);
    // A file with nothing to read fails later as a text without text, not as a picture.
    if (ConversionResult::hasText(text) && !looksLikeText(content.bytes, text)) {
        *ok = false;
        if (problem)
            *problem = NotTextProblem;
        return {};
    }
    return text;
}

bool DocumentController::saveTextFile(const QString &path, QStringView text, QString *problem) {
    // Encoded piece by piece into the file: a book is never held twice.
    const QString failure = SafeFile::write(
        path, [text](const SafeFile::Sink &put) { return TextCodec::encodeEditorText(text, put); });
    if (problem)
        *problem = failure;
    return failure.isEmpty();
}

QString DocumentController::lastEditPath() const {
    return QDir(m_parts.options.dataFolder).filePath(LastEditName);
}

// --- Menu opening rules ---------------------------------------------------------

void DocumentController::prepareFileMenu(QAction *loadBuffer, QAction *save, QAction *clear) {
    loadBuffer->setEnabled(!Chunker::trimmed(m_parts.clipboardText()).isEmpty());
    const bool hasText = !m_parts.editor->isBlank();
    save->setEnabled(hasText);
    clear->setEnabled(hasText);
}

void DocumentController::prepareMainFileMenu() {
    const Actions &a = m_parts.actions;
    prepareFileMenu(a.MnLoadFromBuffer, a.MnSaveEdit, a.MnClearEdit);
}

void DocumentController::prepareDisplayFileMenu() {
    const Actions &a = m_parts.actions;
    prepareFileMenu(a.N19, a.N58, a.N59);
}

// --- Loading and saving ---------------------------------------------------------

QString DocumentController::dialogFolder() {
    const QString stored = m_parts.record.TextFolder.value();
    if (!stored.isEmpty() && QDir::setCurrent(stored))
        return stored;
    QDir::setCurrent(m_parts.options.dataFolder);
    return m_parts.options.dataFolder;
}

void DocumentController::rememberTextFolder(const QString &file) {
    const QString folder = QFileInfo(file).absolutePath();
    QDir::setCurrent(folder);
    // A folder that cannot be stored faithfully (too long, outside Windows-1251)
    // keeps the previous one: a cut path would name a different folder.
    m_parts.record.TextFolder.set(folder);
}

ConversionResult DocumentController::convertDocument(const QString &path) {
    if (!m_converter)
        return ConversionResult::failure(ConversionResult::Failure::ConversionFailed);
    ProgressWindow window(m_parts.dialogParent(), path, *m_parts.clock,
                          [this] { return loadWanted(); });
    return m_converter->convert(path, window.progress([this, &path](const QStringList &books) {
        return chooseBook(path, books);
    }));
}

std::optional<qsizetype> DocumentController::chooseBook(const QString &path,
                                                        const QStringList &books) {
    if (!loadWanted())
        return std::nullopt;
    // A termination does not wait for the answer, not even during start-up, when nothing else
    // would close the dialog.
    QMetaObject::Connection ending;
    if (m_parts.options.termination) {
        ending =
            connect(m_parts.options.termination, &SignalWatcher::terminationRequested, this, [] {
                if (QWidget *open = QApplication::activeModalWidget())
                    open->close();
            });
    }
    std::optional<int> chosen;
    {
        BusyCursor arrow(Qt::ArrowCursor); // not the load's hourglass over the list
        chosen = m_parts.dialogs->chooseItem(
            m_parts.dialogParent(), ManyBooksTitle,
            QStringLiteral("Какую книгу из «%1» открыть?").arg(QFileInfo(path).fileName()), books);
    }
    disconnect(ending);
    // A termination, the shut-down or a newer hand-over that came meanwhile ends this load.
    if (!chosen || !loadWanted())
        return std::nullopt;
    return *chosen;
}

bool DocumentController::loadWanted() const {
    return !m_parts.terminationRequested && !m_parts.shutDown && !m_loadSuperseded;
}

std::optional<QString> DocumentController::readDocument(const QString &path, QString *failure) {
    failure->clear();
    m_readDamaged = false;
    m_readRest.reset();
    // Whatever comes now replaces the book still coming in, or fails and keeps what came.
    stopReadingOn();
    QString problem;
    if (isPlainTextFile(path)) {
        bool ok = false;
        QString text = loadTextFile(path, Origin::Users, &ok, &problem);
        if (!ok) {
            *failure = SafeFile::openFailure(path, problem);
            return std::nullopt;
        }
        // A file without a letter or sign fails as a document without text does: it would
        // empty the editor and, at exit, the stored text.
        ConversionResult read = ConversionResult::success(std::move(text));
        if (read)
            return read.takeText();
        *failure = QStringLiteral("Не удалось открыть %1.\n%2.").arg(path, read.reason());
        return std::nullopt;
    }
    // A FIFO or a device would hold the reader or the converter forever.
    if (problem = SafeFile::refusal(path); !problem.isEmpty()) {
        *failure = SafeFile::openFailure(path, problem);
        return std::nullopt;
    }
    // Events are pumped while a document converts: a hand-over that comes meanwhile stops this
    // load and is read once it has unwound, so only one conversion ever runs.
    m_loading = true;
    m_loadSuperseded = false;
    ConversionResult result = convertDocument(path);
    m_loading = false;
    if (!m_handedFile.isEmpty())
        QTimer::singleShot(0, this, &DocumentController::openLastHandedFile);
    if (m_loadSuperseded)
        return std::nullopt;
    if (result) {
        m_readDamaged = result.damaged();
        m_readRest = result.rest();
        return result.takeText();
    }
    using Failure = ConversionResult::Failure;
    switch (result.failure()) {
    case Failure::Cancelled: // the user knows; a termination has nobody to tell
        break;
    case Failure::Damaged:
    case Failure::Unreadable:
    case Failure::ConversionFailed:
        *failure = conversionMessage();
        break;
    default:
        *failure = QStringLiteral("Не удалось открыть %1.\n%2.").arg(path, result.reason());
        break;
    }
    // A conversion given up for a termination is no failure to tell.
    if (m_parts.terminationRequested || m_parts.shutDown)
        failure->clear();
    return std::nullopt;
}

void DocumentController::followRest() {
    m_rest = std::exchange(m_readRest, nullptr);
    if (!m_rest)
        return;
    // Pages come in while the beginning is read: they follow it in the editor, which keeps its
    // caret and lines, so the place and the percentage go on from where they are.
    connect(m_rest.get(), &ContinuedText::arrived, this,
            [this](const QString &paragraphs) { m_parts.editor->appendParagraphs(paragraphs); });
    connect(m_rest.get(), &ContinuedText::ended, this, [this](ConversionResult::Failure failure) {
        m_rest.reset();
        m_parts.editor->appendingEnded();
        // What came stays; the rest of a book that broke off is lost, as with a damaged book.
        if (failure != ConversionResult::Failure::None)
            tellFailure(DamagedBookMessage);
    });
}

void DocumentController::stopReadingOn() {
    m_rest.reset();
}

void DocumentController::tellFailure(const QString &failure) {
    // Not at all when the program ended meanwhile.
    if (!failure.isEmpty() && !m_parts.shutDown)
        m_parts.dialogs->message(m_parts.dialogParent(), failure);
}

bool DocumentController::loadFile(const QString &path) {
    EditorPanel *editor = m_parts.editor;
    m_parts.reading->rewindToStart();
    rememberTextFolder(path);
    QString failure;
    bool loaded = false;
    {
        BusyCursor busy;
        if (std::optional<QString> text = readDocument(path, &failure)) {
            editor->setText(*text);
            followRest();
            m_parts.reading->state().ReadBuffer.clear();
            m_parts.journal->bookLoaded(path);
            loaded = true;
        }
        editor->replaceTabs();
    }
    // Told once the busy cursor is gone, so the box does not wear the hourglass.
    tellFailure(failure);
    if (loaded && m_readDamaged)
        tellFailure(DamagedBookMessage);
    return loaded;
}

void DocumentController::loadFromFile() {
    m_parts.reading->interrupt();
    const QString folder = dialogFolder();
    const QString path = m_parts.dialogs->openFile(m_parts.dialogParent(), folder, OpenFilter);
    if (!path.isEmpty()) {
        loadFile(path);
    } else {
        BusyCursor busy;
        m_parts.editor->replaceTabs();
    }
}

void DocumentController::loadDroppedFile(const QString &path) {
    if (m_parts.shutDown)
        return;
    m_parts.reading->interrupt();
    loadFile(path);
}

void DocumentController::openHandedFile(const QString &path) {
    if (m_parts.shutDown)
        return;
    m_handedFile = path;
    if (m_loading)
        m_loadSuperseded = true;
    else
        openLastHandedFile();
}

void DocumentController::openLastHandedFile() {
    if (m_parts.shutDown || m_loading || m_handedFile.isEmpty())
        return;
    // Not under an open dialog, whose answer would then land on another text.
    if (QApplication::activeModalWidget()) {
        m_handedRetry->start();
        return;
    }
    const QString path = std::exchange(m_handedFile, QString());
    m_parts.reading->interrupt();
    QString failure;
    std::optional<QString> text;
    {
        BusyCursor busy;
        text = readDocument(path, &failure);
    }
    // As at start-up: a file that cannot be read leaves the text and starts nothing.
    if (!text) {
        tellFailure(failure);
        return;
    }
    m_parts.editor->setText(*text);
    followRest();
    m_parts.reading->rewindToStart();
    m_parts.journal->bookLoaded(path);
    if (m_readDamaged)
        tellFailure(DamagedBookMessage);
    m_parts.reading->start();
}

void DocumentController::openRecentBook(const QByteArray &systemPath, int line) {
    // A name that is no readable text is read through a link, as on the command line.
    const QString path = DataFolder::resolveArgument(systemPath, "/", m_recentLinks);
    // The place is a line of the text's paragraphs, as reading counts them.
    if (m_parts.editor->isVisible())
        m_parts.editing->hideEditor();
    m_parts.reading->interrupt();
    if (!loadFile(path))
        return;
    // The place may lie in pages still being read: they are waited for.
    while (m_rest && m_parts.editor->lineCount() <= line && !m_parts.shutDown)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                        QEventLoop::WaitForMoreEvents);
    if (m_parts.shutDown)
        return;
    const int lines = m_parts.editor->lineCount();
    m_parts.reading->placeAt(std::clamp(line, 0, std::max(0, lines - 1)));
    m_parts.editor->SavedSelStart = m_parts.editor->caret();
    const int placed = m_parts.reading->state().CurrentLine;
    m_parts.reading->showProgress(
        lines > 0 ? static_cast<int>(static_cast<qint64>(placed) * 100 / lines) : 0);
}

void DocumentController::loadFromClipboard() {
    m_parts.reading->interrupt();
    stopReadingOn();
    m_parts.editor->setText(QString());
    m_parts.editor->setText(m_parts.clipboardText());
    m_parts.editor->replaceTabs();
    m_parts.reading->rewindToStart();
    m_parts.editing->ReformatEditor();
    m_parts.journal->textReplaced();
}

void DocumentController::clearEditor() {
    m_parts.reading->interrupt();
    stopReadingOn();
    m_parts.editor->setText(QString());
    m_parts.reading->rewindToStart();
    m_parts.journal->textReplaced();
}

void DocumentController::saveEditor() {
    const QString folder = dialogFolder();
    m_parts.reading->suspend();
    const QString path = m_parts.dialogs->saveFile(m_parts.dialogParent(), folder, TextFilter);
    if (!path.isEmpty()) {
        rememberTextFolder(path);
        // The text's own paragraphs, never the wrapped rows of the shown editor.
        if (!saveTextFile(path, m_parts.editor->heldText()))
            m_parts.dialogs->message(m_parts.dialogParent(), saveMessage());
    }
    m_parts.reading->resumeIfReading(true);
}

void DocumentController::saveEditorByKey() {
    if (!m_parts.editor->isBlank())
        saveEditor();
}

// --- Start-up and exit ----------------------------------------------------------

void DocumentController::loadStartupText() {
    if (!m_parts.options.commandLineFile.isEmpty()) {
        if (const std::optional<QString> text = readCommandLineFile()) {
            m_parts.record.SavedLine = 0;
            m_parts.editor->setText(*text);
            followRest();
            m_parts.journal->bookLoaded(m_parts.options.commandLineFile);
            m_commandLineRead = true;
            return;
        }
        // Then as if no file had been named: the stored text and position come back.
    }
    // A termination gives up a long reading of the stored text: the program then ends at
    // once, and what is stored stays as it is.
    const auto stop = [this] {
        return m_parts.terminationRequested ||
               (m_parts.options.termination && m_parts.options.termination->pending());
    };
    SafeFile::Content content =
        SafeFile::read(lastEditPath(), MaxTextBytes, SafeFile::Excess::Start, stop);
    const QString problem =
        content.truncated ? QStringLiteral("файл слишком велик") : content.problem;
    if (problem.isEmpty()) {
        // The bytes are gone before the text goes into the editor.
        const QString text = TextCodec::decode(std::exchange(content.bytes, {}), stop);
        if (!stop() && m_parts.editor->setText(text, stop))
            return;
        content.stopped = true;
    }
    if (content.stopped) {
        m_startupStopped = true;
        m_parts.terminationRequested = true;
    } else if (QFileInfo::exists(lastEditPath())) {
        // A regular file is kept at exit unless the user makes a text; anything else
        // is refused then, with its message.
        m_lastEditUnread = SafeFile::refusal(lastEditPath()).isEmpty();
        SessionController::logProblem(
            SafeFile::openFailure(lastEditPath(), problem)); // told at exit, if at all
    }
}

std::optional<QString> DocumentController::readCommandLineFile() {
    std::optional<QString> text = readDocument(m_parts.options.commandLineFile, &m_startupMessage);
    if (text && m_readDamaged)
        m_startupMessage = DamagedBookMessage;
    return text;
}

QString DocumentController::takeStartupMessage() {
    return std::exchange(m_startupMessage, QString());
}

void DocumentController::storeLastEdit() {
    // As the editor holds it: a book is not copied again on its way out.
    const QString &text = m_parts.editor->heldText();
    QString problem;
    if (saveTextFile(lastEditPath(), text, &problem))
        return;
    QString failure = SafeFile::saveFailure(lastEditPath(), problem);
    if (m_parts.unattended && !text.isEmpty()) {
        const QString saved = SessionRescue(m_parts.options.userDataFolder)
                                  .saveText(TextCodec::encode(m_parts.editor->text()), &problem);
        failure += QStringLiteral(".\n") +
                   (saved.isEmpty() ? SafeFile::saveFailure(QStringLiteral("копию"), problem)
                                    : QStringLiteral("Текст редактора сохранён в %1.").arg(saved));
    }
    if (m_parts.unattended || text.isEmpty()) {
        m_parts.session->tellSaveFailure(failure);
        return;
    }
    SessionController::logProblem(failure);
    while (m_parts.dialogs->question(
        m_parts.dialogParent(), failure + QStringLiteral("\n\nСохранить текст в другой файл?"))) {
        const QString path =
            m_parts.dialogs->saveFile(m_parts.dialogParent(), dialogFolder(), TextFilter);
        if (path.isEmpty() || saveTextFile(path, text, &problem))
            return;
        failure = SafeFile::saveFailure(path, problem);
    }
}

} // namespace zk
