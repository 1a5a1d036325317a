#include "../HostilePdf.h"
#include "../ResourceLimit.h"
#include "SourceFakes.h"
#include "WindowFixture.h"

#include "app/commands/ProgressWindow.h"
#include "display/FullScreenWindow.h"
#include "formats/ChainedConverter.h"
#include "formats/PdfReader.h"
#include "reading/Chunker.h"
#include "settings/SettingsRecord.h"

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QProgressDialog>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringEncoder>
#include <QUrl>

#include <csignal>
#include <sys/resource.h>

using namespace zk;
using namespace Qt::StringLiterals;

class test_loading : public QObject {
    Q_OBJECT
private slots:
    void plainTextRule_readsTxtDirectly_andConvertsTheRest();
    void failedConversion_keepsText_butResetsPositionAndRows();
    void cancelledDialog_stopsAndReplacesTabs_keepingPosition();
    void dialogs_startInTextFolder_elseDataFolder();
    void openDialog_showsEveryBookFirst_thenTheDesignedEntries();
    void save_writesParagraphs_inTheEncodingThatFits();
    void failedSave_keepsOldFile_andResumesWithFreshCount();
    void clipboardAndClear_replaceTextAndGoToStart();
    void books_throughTheRealConverter();
    void startOnBlankEditor_loadsAndReadsAtOnce();
    void commandLineDocument_goesThroughConverter();
    void unreadableCommandLineFile_says_andKeepsStoredTextAndLine_data();
    void unreadableCommandLineFile_says_andKeepsStoredTextAndLine();
    void lineWithoutBreak_loadsAndReadsWithinLimits();
    void documentWithoutText_orCancelled_keepsTheText();
    void handOverDuringConversion_stopsIt_andTheLastOneWins();
    void slowPdf_showsProgressWindow_andCancelEndsItsReader();
    void longPdf_comesInWhileRead_keepingThePlace_andStopsWithTheNextText();
    void droppedFile_loadsAsTheLoadCommand_inItsOwnEncoding();
    void droppedFile_isTakenAsACopy_neverMoved();
    void binaryNamedTxt_keepsTheText_andSaysItIsNoText();
    void zipOfSeveralBooks_asksWhichToRead();
};

namespace {

const QString ConversionText = QStringLiteral(
    "Не удалось открыть файл. Возможно на компьютере не установлен обновленный MS-Office. "
    "Попробуйте работать с файлами *.txt");
const QString SaveText =
    QStringLiteral("Не удалось сохранить редактор! Возможно диск защищен от записи.");

QString numberedLines(int count) {
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << QStringLiteral("строка номер %1 и ещё слова").arg(i);
    return lines.join(QLatin1Char('\n'));
}

QByteArray fictionBook(const QStringList &paragraphs) {
    QString body;
    for (const QString &p : paragraphs)
        body += QStringLiteral("<p>") + p + QStringLiteral("</p>\n");
    return (QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                           "<FictionBook xmlns=\"http://www.gribuser.ru/xml/fictionbook/2.0\">"
                           "<description><title-info><book-title>Книга</book-title>"
                           "</title-info></description><body><section>\n") +
            body + QStringLiteral("</section></body></FictionBook>\n"))
        .toUtf8();
}

const QStringList BookParagraphs = {QStringLiteral("Первый абзац книги."),
                                    QStringLiteral("Второй абзац книги."),
                                    QStringLiteral("Третий абзац книги.")};

// A zip of FictionBooks of one paragraph each, by name.
void writeBooksZip(const QString &path, const QList<std::pair<QString, QString>> &books) {
    QuaZip zip(path);
    QVERIFY(zip.open(QuaZip::mdCreate));
    for (const auto &[name, text] : books) {
        QuaZipFile file(&zip);
        QVERIFY(file.open(QIODevice::WriteOnly, QuaZipNewInfo(name)));
        file.write(fictionBook({text}));
    }
}

RecordingConverter *installConverter(MainWindow *w) {
    auto converter = std::make_unique<RecordingConverter>();
    RecordingConverter *raw = converter.get();
    w->setConverter(std::move(converter));
    return raw;
}

// Reading runs and has taken in some lines; the rows of both windows show text.
void readSomeLines(WindowFixture &f) {
    f.startReading();
    f.window->reading()->tick();
    f.window->reading()->tick();
    f.window->fullScreenWindow()->panel()->row(0)->setText(QStringLiteral("x"));
    QVERIFY(f.window->isReading());
    QVERIFY(f.window->engine().state().CurrentLine > 0);
    QVERIFY(!f.row(0).isEmpty());
}

void verifyStoppedAndCleared(WindowFixture &f) {
    QVERIFY(!f.window->isReading());
    QVERIFY(!f.window->timers().t1->isActive());
    for (int i = 0; i < DisplayPanel::PieceRows; ++i) {
        QCOMPARE(f.row(i), QString());
        QCOMPARE(f.window->fullScreenWindow()->panel()->row(i)->text(), QString());
    }
}

void verifyAtStart(WindowFixture &f) {
    QCOMPARE(f.window->engine().state().CurrentLine, 0);
    QCOMPARE(f.window->strip()->UpDown1->value(), 0);
    QCOMPARE(f.window->engine().state().ReadBuffer, QString());
}

} // namespace

void test_loading::plainTextRule_readsTxtDirectly_andConvertsTheRest() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("старый"));
    RecordingConverter *converter = installConverter(w);
    converter->answer = [](const QString &path) {
        return std::optional<QString>(QStringLiteral("из конвертера ") +
                                      QFileInfo(path).fileName());
    };

    for (const char *name : {"a.txt", "b.TXT", "c.Txt"}) {
        const QString file = QString::fromLatin1(name);
        f.writeFile(file, TextCodec::toWindows1251(QStringLiteral("прямо\tиз ") + file));
        f.dialogs->openAnswer = f.path(file);
        w->documents()->loadFromFile();
        QCOMPARE(w->editor()->text(), QStringLiteral("прямо из ") + file);
    }
    QVERIFY(converter->paths.isEmpty());

    // A Cyrillic "х" only looks like an x.
    const QStringList others = {QStringLiteral("a.text"), QStringLiteral("a.rtf"),
                                QStringLiteral("безрасширения"), QStringLiteral("a.tхt"),
                                QStringLiteral("a.txt.doc")};
    for (const QString &file : others) {
        f.writeFile(file, "{\\rtf1 x}");
        f.dialogs->openAnswer = f.path(file);
        w->documents()->loadFromFile();
        QCOMPARE(w->editor()->text(), QStringLiteral("из конвертера ") + file);
        QCOMPARE(converter->paths.last(), f.path(file));
    }
    QCOMPARE(converter->paths.size(), others.size());
    QVERIFY(f.dialogs->messages.isEmpty());

    // The extension is the file name's, from its last dot.
    QVERIFY(DocumentController::isPlainTextFile(QStringLiteral("/x/a.doc.TxT")));
    QVERIFY(DocumentController::isPlainTextFile(QStringLiteral("/x/.txt")));
    QVERIFY(!DocumentController::isPlainTextFile(QStringLiteral("/x.txt/readme")));
    QVERIFY(!DocumentController::isPlainTextFile(QStringLiteral("/x/a.txt ")));
}

void test_loading::failedConversion_keepsText_butResetsPositionAndRows() {
    WindowFixture f;
    const QString old = numberedLines(30);
    MainWindow *w = f.startWithText(old);
    RecordingConverter *converter = installConverter(w);
    readSomeLines(f);
    QVERIFY(w->strip()->UpDown1->value() > 0);

    f.writeFile(QStringLiteral("a.rtf"), "{\\rtf1 текст}");
    f.dialogs->openAnswer = f.path(QStringLiteral("a.rtf"));
    w->actions().MnLoadFromFile->trigger();

    QCOMPARE(converter->paths, QStringList{f.path(QStringLiteral("a.rtf"))});
    QCOMPARE(f.dialogs->messages, QStringList{ConversionText});
    QCOMPARE(w->editor()->text(), old);
    verifyAtStart(f);
    verifyStoppedAndCleared(f);
    QVERIFY(!QApplication::overrideCursor());
}

void test_loading::cancelledDialog_stopsAndReplacesTabs_keepingPosition() {
    WindowFixture f;
    MainWindow *w = f.startWithText(numberedLines(30).replace(QLatin1Char(' '), QLatin1Char('\t')));
    RecordingConverter *converter = installConverter(w);
    readSomeLines(f);
    const int line = w->engine().state().CurrentLine;
    const int progress = w->strip()->UpDown1->value();

    f.dialogs->openAnswer.clear();
    w->documents()->loadFromFile();

    verifyStoppedAndCleared(f);
    QCOMPARE(w->editor()->text(), numberedLines(30));
    QCOMPARE(w->engine().state().CurrentLine, line);
    QCOMPARE(w->strip()->UpDown1->value(), progress);
    QVERIFY(converter->paths.isEmpty());
    QVERIFY(f.dialogs->messages.isEmpty());
}

void test_loading::dialogs_startInTextFolder_elseDataFolder() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("текст"));
    QDir data(f.dir.path());

    f.dialogs->openAnswer.clear();
    w->documents()->loadFromFile();
    QCOMPARE(f.dialogs->lastFolder, f.dir.path());

    QVERIFY(data.mkpath(QStringLiteral("тексты")));
    const QString texts = f.path(QStringLiteral("тексты"));
    f.writeFile(QStringLiteral("тексты/a.txt"), "abc");
    f.dialogs->openAnswer = f.path(QStringLiteral("тексты/a.txt"));
    w->documents()->loadFromFile();
    QCOMPARE(w->settingsRecord().TextFolder.value(), texts);

    f.dialogs->saveAnswer.clear();
    w->documents()->saveEditor();
    QCOMPARE(f.dialogs->lastFolder, texts);

    // Saving elsewhere moves the folder too.
    QVERIFY(data.mkpath(QStringLiteral("другие")));
    f.dialogs->saveAnswer = f.path(QStringLiteral("другие/b.txt"));
    w->documents()->saveEditor();
    QCOMPARE(w->settingsRecord().TextFolder.value(), f.path(QStringLiteral("другие")));
    f.dialogs->openAnswer.clear();
    w->documents()->loadFromFile();
    QCOMPARE(f.dialogs->lastFolder, f.path(QStringLiteral("другие")));

    // A folder that has gone sends both dialogs back to the data folder.
    QVERIFY(QDir(f.path(QStringLiteral("другие"))).removeRecursively());
    w->documents()->loadFromFile();
    QCOMPARE(f.dialogs->lastFolder, f.dir.path());
    w->documents()->saveEditor();
    QCOMPARE(f.dialogs->lastFolder, f.dir.path());

    // A folder too long to store is not stored cut short: the last one stays.
    f.dialogs->openAnswer = f.path(QStringLiteral("тексты/a.txt"));
    w->documents()->loadFromFile();
    const QString deep =
        QStringLiteral("d").repeated(150) + QLatin1Char('/') + QStringLiteral("e").repeated(150);
    QVERIFY(data.mkpath(deep));
    f.writeFile(deep + QStringLiteral("/c.txt"), "abc");
    f.dialogs->openAnswer = f.path(deep + QStringLiteral("/c.txt"));
    w->documents()->loadFromFile();
    QCOMPARE(w->editor()->text(), QStringLiteral("abc"));
    QCOMPARE(w->settingsRecord().TextFolder.value(), texts);
}

// Each entry as Qt's file dialog splits it: a caption and the patterns in brackets.
QList<QPair<QString, QStringList>> filterEntries(const QString &filter) {
    QList<QPair<QString, QStringList>> out;
    static const QRegularExpression entry(QStringLiteral("^(.*)\\(([^()]*)\\)$"));
    for (const QString &part : filter.split(QStringLiteral(";;"))) {
        const QRegularExpressionMatch m = entry.match(part);
        out.append(
            {m.captured(1).trimmed(), m.captured(2).split(QLatin1Char(' '), Qt::SkipEmptyParts)});
    }
    return out;
}

void test_loading::openDialog_showsEveryBookFirst_thenTheDesignedEntries() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("текст"));
    f.dialogs->openAnswer.clear();
    w->documents()->loadFromFile();
    const QString opened = f.dialogs->lastFilter;
    f.dialogs->saveAnswer.clear();
    w->documents()->saveEditor();
    const QString designed = f.dialogs->lastFilter;
    QCOMPARE(designed,
             QStringLiteral("Текстовые файлы txt, rtf, doc, html, htm (*.txt *.rtf *.doc *.htm "
                            "*.html);;Все файлы  (*.* *)"));

    const auto entries = filterEntries(opened);
    QVERIFY(entries.size() > 3);
    QCOMPARE(entries.first().first, QStringLiteral("Все книги и документы"));
    QVERIFY(opened.indexOf(designed) > 0);
    const QStringList books = {u"a.txt"_s,  u"a.fb2"_s, u"a.fb2.zip"_s, u"a.epub"_s,   u"a.pdf"_s,
                               u"a.djvu"_s, u"a.djv"_s, u"a.docx"_s,    u"a.doc"_s,    u"a.odt"_s,
                               u"a.rtf"_s,  u"a.htm"_s, u"a.html"_s,    u"Книга.FB2"_s};
    for (const QString &book : books) {
        QVERIFY2(QDir::match(entries.first().second, book), qPrintable(book));
        // and it has a family of its own after the designed entries
        int families = 0;
        for (qsizetype i = 3; i < entries.size(); ++i)
            families += QDir::match(entries.at(i).second, book) ? 1 : 0;
        QVERIFY2(families == 1, qPrintable(book));
    }
    QVERIFY(!QDir::match(entries.first().second, u"песня.mp3"_s));
}

void test_loading::save_writesParagraphs_inTheEncodingThatFits() {
    WindowFixture f;
    const QString first = QStringLiteral("Первый длинный абзац, который в показанном редакторе "
                                         "переносится на несколько строк. ")
                              .repeated(6)
                              .trimmed();
    const QString second = QStringLiteral("Второй абзац.");
    MainWindow *w = f.startWithText(first + QLatin1Char('\n') + second);
    // Every paragraph, the last one too, ends in CR LF.
    const QByteArray expected = TextCodec::toWindows1251(first) + QByteArray("\r\n") +
                                TextCodec::toWindows1251(second) + QByteArray("\r\n");
    QVERIFY(!expected.startsWith("\xEF\xBB\xBF"));

    f.dialogs->saveAnswer = f.path(QStringLiteral("hidden.txt"));
    w->documents()->saveEditor();
    QCOMPARE(f.readFile(QStringLiteral("hidden.txt")), expected);

    w->editing()->toggleEditor();
    QVERIFY(w->editor()->shownLineCount() > 2);
    const int line = w->engine().state().CurrentLine;
    f.dialogs->saveAnswer = f.path(QStringLiteral("shown.txt"));
    w->documents()->saveEditor();
    QCOMPARE(f.readFile(QStringLiteral("shown.txt")), expected);
    QCOMPARE(w->editor()->text(), first + QLatin1Char('\n') + second);
    QCOMPARE(w->engine().state().CurrentLine, line);

    // Characters outside Windows-1251 are kept: UTF-8 with a byte-order mark.
    w->editor()->setText(QStringLiteral("漢字\nабв"));
    f.dialogs->saveAnswer = f.path(QStringLiteral("wide.txt"));
    w->documents()->saveEditor();
    QCOMPARE(f.readFile(QStringLiteral("wide.txt")),
             QByteArray("\xEF\xBB\xBF") + QStringLiteral("漢字\r\nабв\r\n").toUtf8());
    QVERIFY(f.dialogs->messages.isEmpty());

    // What was saved loads back as it was.
    f.dialogs->openAnswer = f.path(QStringLiteral("wide.txt"));
    w->documents()->loadFromFile();
    QCOMPARE(w->editor()->text(), QStringLiteral("漢字\nабв"));
}

void test_loading::failedSave_keepsOldFile_andResumesWithFreshCount() {
    WindowFixture f;
    MainWindow *w = f.startWithText(numberedLines(40));
    const auto readAndCount = [&] {
        w->timers().t1->stop();
        w->reading()->tick();
        QVERIFY(w->engine().state().WordCount > 0);
    };
    f.startReading();

    const QStringList failing = {f.path(QStringLiteral("нет такой папки/a.txt")), f.dir.path()};
    for (const QString &target : failing) {
        readAndCount();
        f.dialogs->messages.clear();
        f.dialogs->saveAnswer = target;
        w->documents()->saveEditor();
        QCOMPARE(f.dialogs->messages, QStringList{SaveText});
        QVERIFY(w->isReading());
        QVERIFY(w->timers().t1->isActive());
        QVERIFY(w->timers().T2->isActive());
        QCOMPARE(w->engine().state().WordCount, 0);
    }
    QVERIFY(QFileInfo(f.dir.path()).isDir());

    // A write that fails half-way, as on a full disk, leaves the old file whole.
    const QByteArray old = "old text\r\n";
    f.writeFile(QStringLiteral("old.txt"), old);
    w->editor()->setText(QStringLiteral("новый текст ").repeated(2000));
    readAndCount();
    f.dialogs->messages.clear();
    f.dialogs->saveAnswer = f.path(QStringLiteral("old.txt"));
    {
        FileSizeLimit limit(4096);
        QVERIFY(limit.active());
        w->documents()->saveEditor();
    }
    QCOMPARE(f.dialogs->messages, QStringList{SaveText});
    QCOMPARE(f.readFile(QStringLiteral("old.txt")), old);
    QCOMPARE(QDir(f.dir.path()).entryList({QStringLiteral("old.txt*")}, QDir::Files),
             QStringList{QStringLiteral("old.txt")});
    QVERIFY(w->timers().t1->isActive());
    QCOMPARE(w->engine().state().WordCount, 0);

    // While idle the timers stay off.
    w->reading()->stopAndClear();
    w->documents()->saveEditor();
    QVERIFY(!w->timers().t1->isActive());
    QVERIFY(!w->timers().T2->isActive());
}

void test_loading::clipboardAndClear_replaceTextAndGoToStart() {
    WindowFixture f;
    MainWindow *w = f.startWithText(numberedLines(30));
    const QFont before = w->editor()->document()->defaultFont();
    f.dialogs->font = FontChoice{QFont(QStringLiteral("DejaVu Serif"), 31), Qt::red};
    w->view()->chooseDisplayFont();
    const QFont chosen = w->editing()->dialogFont();
    QCOMPARE(chosen.pointSize(), 31);
    QVERIFY(w->editor()->document()->defaultFont() == before);

    readSomeLines(f);
    // A NUL from another program never reaches the editor.
    f.clipboard = QStringLiteral("один\tдва") + QChar(0) + QStringLiteral("\nтри\tчетыре");
    w->actions().MnLoadFromBuffer->trigger();
    QCOMPARE(w->editor()->text(), QStringLiteral("один два\nтри четыре"));
    verifyAtStart(f);
    verifyStoppedAndCleared(f);
    QCOMPARE(w->editor()->document()->defaultFont().family(), chosen.family());
    QCOMPARE(w->editor()->document()->defaultFont().pointSize(), 31);

    w->reading()->start();
    w->timers().t1->stop();
    w->reading()->tick();
    w->fullScreenWindow()->panel()->row(0)->setText(QStringLiteral("x"));
    w->actions().MnClearEdit->trigger();
    QCOMPARE(w->editor()->text(), QString());
    QVERIFY(w->editor()->isBlank());
    verifyAtStart(f);
    verifyStoppedAndCleared(f);
}

void test_loading::books_throughTheRealConverter() {
    WindowFixture f;
    const QString old = numberedLines(5);
    MainWindow *w = f.startWithText(old);
    w->setConverter(std::make_unique<ChainedConverter>(nullptr));

    const QByteArray good = fictionBook(BookParagraphs);
    f.writeFile(QStringLiteral("плохая.epub"), "PK\x03\x04 это не архив");
    // Cut before its first paragraph, a book has nothing to show.
    f.writeFile(QStringLiteral("обрезанная.fb2"), good.left(good.indexOf("<body>")));
    for (const char *name : {"плохая.epub", "обрезанная.fb2"}) {
        f.dialogs->messages.clear();
        f.dialogs->openAnswer = f.path(QString::fromUtf8(name));
        w->documents()->loadFromFile();
        QCOMPARE(f.dialogs->messages, QStringList{ConversionText});
        QCOMPARE(w->editor()->text(), old);
    }

    // Cut in its text, it shows what comes before the cut, and says so once the text is in.
    f.writeFile(QStringLiteral("книга.fb2"), good.left(good.indexOf("Второй")));
    f.dialogs->messages.clear();
    f.dialogs->openAnswer = f.path(QStringLiteral("книга.fb2"));
    w->documents()->loadFromFile();
    QCOMPARE(f.dialogs->messages,
             QStringList{u"Книга повреждена: показано то, что удалось прочитать"_s});
    QCOMPARE(w->editor()->text(), BookParagraphs.first());
    f.dialogs->messages.clear();

    f.writeFile(QStringLiteral("книга.fb2"), good);
    w->documents()->loadFromFile();
    QVERIFY(f.dialogs->messages.isEmpty());
    QCOMPARE(w->editor()->text(), BookParagraphs.join(QLatin1Char('\n')));
}

void test_loading::startOnBlankEditor_loadsAndReadsAtOnce() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("  \n\t "));
    f.dialogs->openAnswer.clear();
    w->actions().ActBtStart->trigger();
    QVERIFY(!w->isReading());
    QCOMPARE(f.dialogs->lastFolder, f.dir.path());

    f.writeFile(QStringLiteral("книга.txt"),
                TextCodec::toWindows1251(QStringLiteral("Начало книги.\nДальше.")));
    f.dialogs->openAnswer = f.path(QStringLiteral("книга.txt"));
    w->actions().ActBtStart->trigger();
    QVERIFY(w->isReading());
    QVERIFY(w->timers().t1->isActive());
    QCOMPARE(w->editor()->text(), QStringLiteral("Начало книги.\nДальше."));
    w->timers().t1->stop();
    w->reading()->tick();
    QVERIFY2(f.row(0).startsWith(QStringLiteral("Начало")), qPrintable(f.row(0)));
}

void test_loading::commandLineDocument_goesThroughConverter() {
    WindowFixture f;
    f.writeFile(QStringLiteral("LastEdit"), "last edit");
    f.writeFile(QStringLiteral("книга.fb2"), fictionBook(BookParagraphs));
    MessageBoxCatcher boxes;
    MainWindow *w = f.start(f.path(QStringLiteral("книга.fb2")));
    QVERIFY(boxes.texts.isEmpty());
    QCOMPARE(w->editor()->text(), BookParagraphs.join(QLatin1Char('\n')));
    QVERIFY(w->isReading());
    QCOMPARE(w->engine().state().CurrentLine, 0);
}

void test_loading::unreadableCommandLineFile_says_andKeepsStoredTextAndLine_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes"); // none written when null
    QTest::addColumn<qint64>("size");      // made this long, without data, when not 0
    QTest::addColumn<QString>("message");
    const QByteArray good = fictionBook(BookParagraphs);
    const QString noText = QStringLiteral("Не удалось открыть %1.\nВ файле нет текста.");
    QTest::newRow("damaged book") << QStringLiteral("обрезанная.fb2")
                                  << good.left(good.indexOf("<body>")) << qint64(0)
                                  << ConversionText;
    QTest::newRow("missing text") << QStringLiteral("нет.txt") << QByteArray() << qint64(0)
                                  << QStringLiteral(
                                         "Не удалось открыть %1: нет такого файла или папки");
    QTest::newRow("empty text") << QStringLiteral("пустой.txt") << QByteArray("") << qint64(0)
                                << noText;
    QTest::newRow("blank text") << QStringLiteral("пробелы.txt") << QByteArray("  \t  \r\n \x01  ")
                                << qint64(0) << noText;
    // Refused by their size, before a byte is read.
    QTest::newRow("huge text") << QStringLiteral("огромный.txt") << QByteArray("")
                               << (qint64(2) << 30)
                               << QStringLiteral("Не удалось открыть %1: файл слишком велик");
    QTest::newRow("huge book") << QStringLiteral("огромная.fb2") << QByteArray("")
                               << (qint64(2) << 30)
                               << QStringLiteral("Не удалось открыть %1.\nФайл слишком велик.");
}

void test_loading::unreadableCommandLineFile_says_andKeepsStoredTextAndLine() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, size);
    QFETCH(QString, message);
    WindowFixture f;
    const QByteArray lastEdit = "one\r\ntwo\r\nthree\r\n";
    f.writeFile(QStringLiteral("LastEdit"), lastEdit);
    SettingsRecord r = SettingsRecord::designedDefaults();
    r.SavedLine = 2;
    r.ReadingOn = RecordFlag(true);
    r.RemAll = RecordFlag(true);
    f.writeFile(QStringLiteral("ZKData"), r.encode());
    if (!bytes.isNull())
        f.writeFile(name, bytes);
    if (size > 0)
        QVERIFY(QFile::resize(f.path(name), size));
    const ResourceLimit memory = ResourceLimit::addressSpaceBeyondNow(rlim_t(256) << 20);
    MainWindow *w = f.start(f.path(name));
    QCOMPARE(f.dialogs->messages, QStringList{message.replace(QStringLiteral("%1"), f.path(name))});
    QCOMPARE(w->engine().state().CurrentLine, 2);
    // Nothing starts by itself, and no file is asked for.
    QVERIFY(!w->isReading());
    QVERIFY(f.dialogs->lastFolder.isEmpty());
    w->shutDown();
    QCOMPARE(f.readFile(QStringLiteral("LastEdit")), lastEdit);
}

// A book without a line break is one paragraph of sixteen million characters: it
// loads, reads from its start and finds a place in its middle in bounded time and
// memory, broken into rows as a 30000-pixel editor would break it.
void test_loading::lineWithoutBreak_loadsAndReadsWithinLimits() {
    const QString text = QStringLiteral("Начало ") +
                         QStringLiteral("длинная строка без разрыва, ").repeated(570'000) +
                         QStringLiteral("конец.");
    WindowFixture f;
    f.writeFile(QStringLiteral("строка.txt"), TextCodec::encode(text));
    const ResourceLimit memory = ResourceLimit::addressSpaceBeyondNow(rlim_t(640) << 20);
    const ResourceLimit processor = ResourceLimit::processorBeyondNow(300);
    MainWindow *w = f.start(f.path(QStringLiteral("строка.txt")));
    EditorPanel *e = w->editor();
    const int lines = e->lineCount();
    QVERIFY(lines > 1000);
    QVERIFY(e->line(1).size() < 10'000);
    f.startReading();
    w->reading()->tick();
    QCOMPARE(f.row(0), QStringLiteral("Начало"));
    w->reading()->stop();
    // A place in the middle: the caret lands on the line and the line stays.
    w->engine().state().ReadBuffer.clear();
    w->engine().state().CurrentLine = lines / 2;
    w->editing()->ActLocateSelStart();
    const int line = w->engine().state().CurrentLine;
    QVERIFY(line == lines / 2 || line == lines / 2 - 1); // backed off over pending text
    QCOMPARE(e->lineOfPosition(e->caret()), line);
}

namespace {

// A converter that works in steps, asking the progress after each, as a long one does.
class SteppingConverter final : public DocumentConverter {
public:
    std::function<ConversionResult(const ConversionProgress &)> work;
    QString path; // of the conversion under way

protected:
    ConversionResult convertFile(const QString &file, const ConversionProgress &progress) override {
        path = file;
        return work(progress);
    }
};

} // namespace

// Nothing is never a success: a document or text file without text says so and keeps the text; a
// long conversion shows its window after half a second, and "Отмена" ends it quietly.
void test_loading::documentWithoutText_orCancelled_keepsTheText() {
    WindowFixture f;
    const QString old = numberedLines(5);
    MainWindow *w = f.startWithText(old);
    auto owned = std::make_unique<SteppingConverter>();
    SteppingConverter *converter = owned.get();
    w->setConverter(std::move(owned));
    f.writeFile(QStringLiteral("скан.pdf"), "%PDF");
    f.dialogs->openAnswer = f.path(QStringLiteral("скан.pdf"));

    converter->work = [](const ConversionProgress &) {
        return ConversionResult::failure(ConversionResult::Failure::NoTextLayer);
    };
    w->documents()->loadFromFile();
    QCOMPARE(f.dialogs->messages,
             QStringList{QStringLiteral("Не удалось открыть %1.\nВ файле нет текстового слоя.")
                             .arg(f.dialogs->openAnswer)});
    QCOMPARE(w->editor()->text(), old);

    f.dialogs->messages.clear();
    QString caption;
    int shownAt = -1;
    converter->work = [&](const ConversionProgress &progress) {
        for (int step = 0; step < 100; ++step) {
            f.clock.advance(100);
            if (!progress.proceed(step))
                return ConversionResult::failure(ConversionResult::Failure::Cancelled);
            if (auto *window = w->findChild<QProgressDialog *>(QStringLiteral("ProgressWindow"))) {
                caption = window->labelText();
                shownAt = step;
                window->cancel();
            }
        }
        return ConversionResult::success(QStringLiteral("не должно попасть"));
    };
    w->documents()->loadFromFile();
    QCOMPARE(shownAt, 4); // the fifth step is at 500 ms
    QVERIFY(caption.contains(QStringLiteral("скан.pdf")));
    QVERIFY(f.dialogs->messages.isEmpty());
    QCOMPARE(w->editor()->text(), old);
    QVERIFY(!w->findChild<QProgressDialog *>());
    QVERIFY(!QApplication::overrideCursor());

    // Nor is a plain text file without a letter or sign.
    f.writeFile(QStringLiteral("пусто.txt"), " \r\n\t\r\n");
    f.dialogs->openAnswer = f.path(QStringLiteral("пусто.txt"));
    w->documents()->loadFromFile();
    QCOMPARE(f.dialogs->messages,
             QStringList{QStringLiteral("Не удалось открыть %1.\nВ файле нет текста.")
                             .arg(f.dialogs->openAnswer)});
    QCOMPARE(w->editor()->text(), old);
}

// A hand-over reaches the window while a conversion pumps events. The last one wins: it stops
// the conversion under way and is read when that has ended, and no two conversions overlap.
void test_loading::handOverDuringConversion_stopsIt_andTheLastOneWins() {
    WindowFixture f;
    MainWindow *w = f.startWithText(numberedLines(5));
    auto owned = std::make_unique<SteppingConverter>();
    SteppingConverter *converter = owned.get();
    w->setConverter(std::move(owned));
    for (const char *name : {"a.doc", "b.doc", "c.doc"})
        f.writeFile(QString::fromLatin1(name), "document");
    int running = 0;
    int most = 0;
    QStringList converted;
    QStringList stopped;
    converter->work = [&](const ConversionProgress &progress) {
        const QString name = QFileInfo(converter->path).fileName();
        converted << name;
        most = std::max(most, ++running);
        for (int step = 0; step < 20; ++step) {
            // Two quick ones, as the event loop delivers them while the first conversion runs.
            if (name == u"a.doc" && step == 2) {
                w->openHandedFile(f.path(QStringLiteral("b.doc")));
                w->openHandedFile(f.path(QStringLiteral("c.doc")));
            }
            if (!progress.proceed(step)) {
                --running;
                stopped << name;
                return ConversionResult::failure(ConversionResult::Failure::Cancelled);
            }
        }
        --running;
        return ConversionResult::success(QStringLiteral("Текст ") + name);
    };
    w->openHandedFile(f.path(QStringLiteral("a.doc")));
    QTRY_COMPARE(w->editor()->text(), QStringLiteral("Текст c.doc"));
    QCOMPARE(converted, (QStringList{QStringLiteral("a.doc"), QStringLiteral("c.doc")}));
    QCOMPARE(stopped, QStringList{QStringLiteral("a.doc")});
    QCOMPARE(most, 1);
    QVERIFY(w->isReading());
    QVERIFY(f.dialogs->messages.isEmpty());
    QTest::qWait(50);
    QCOMPARE(w->editor()->text(), QStringLiteral("Текст c.doc"));
}

// A page that keeps Poppler busy for minutes is read in a process of its own: the progress
// window still comes after half a second, and "Отмена" ends the load and its reader at once.
void test_loading::slowPdf_showsProgressWindow_andCancelEndsItsReader() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("враг.pdf"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(hostile::pdfOfSpaces(64));
    file.close();
    // Read in this process, the page would spin far beyond this.
    const ResourceLimit processor = ResourceLimit::processorBeyondNow(60);
    QWidget parent;
    SteadyClock clock;
    ProgressWindow window(&parent, path, clock);
    QElapsedTimer shown;
    shown.start();
    qint64 offeredAfter = -1;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto *dialog = parent.findChild<QProgressDialog *>(QStringLiteral("ProgressWindow"));
        if (dialog && dialog->isVisible() && offeredAfter < 0) {
            offeredAfter = shown.elapsed();
            QCOMPARE(dialog->labelText(), QStringLiteral("Открывается «враг.pdf»"));
            dialog->cancel();
        }
    });
    watch.start(10);
    const QString helper =
        QDir(qEnvironmentVariable("ZK_BINARY_DIR")).filePath(QStringLiteral("zorkan-pages"));
    ChainedConverter converter(nullptr, helper);
    const ConversionResult result = converter.convert(path, window.progress());
    qInfo("\"Отмена\" offered after %lld ms, the load ended %lld ms after it", offeredAfter,
          shown.elapsed() - offeredAfter);
    QVERIFY(offeredAfter >= 0);
    QCOMPARE(result.failure(), ConversionResult::Failure::Cancelled);
}

namespace {

// Pages of forty lines, each paragraph four lines with its first indented.
QByteArray longPdf(int pages) {
    QList<QByteArray> contents;
    for (int p = 0; p < pages; ++p) {
        QByteArray ops = "BT /F1 10 Tf\n";
        for (int l = 0; l < 40; ++l) {
            ops += "1 0 0 1 " + QByteArray::number(l % 4 == 0 ? 70 : 50) + ' ' +
                   QByteArray::number(760 - 18 * l) + " Tm (Page " + QByteArray::number(p) +
                   " line " + QByteArray::number(l) +
                   " lorem ipsum dolor sit amet consectetur adipiscing elit) Tj\n";
        }
        contents << ops + "ET";
    }
    return hostile::pdfOfPages(contents);
}

std::unique_ptr<ChainedConverter> earlyConverter() {
    auto converter = std::make_unique<ChainedConverter>(
        nullptr,
        QDir(qEnvironmentVariable("ZK_BINARY_DIR")).filePath(QStringLiteral("zorkan-pages")));
    converter->setEarlyStart(true);
    return converter;
}

} // namespace

// A long PDF is read from its first pages while the rest comes in behind them: the place, the
// caret and the lines read stay, and at the end the editor holds what a whole read gives.
// The next text, a clear or the shut-down stops the reading at once.
void test_loading::longPdf_comesInWhileRead_keepingThePlace_andStopsWithTheNextText() {
    WindowFixture f;
    MainWindow *w = f.startWithText(numberedLines(5));
    w->setConverter(earlyConverter());
    f.writeFile(QStringLiteral("книга.pdf"), longPdf(600));
    const QString whole = readPdf(f.path(QStringLiteral("книга.pdf"))).text();
    f.dialogs->openAnswer = f.path(QStringLiteral("книга.pdf"));
    w->documents()->loadFromFile();
    QVERIFY(w->documents()->readingOn());
    QVERIFY(w->editor()->text().size() < whole.size() / 2);
    QVERIFY(whole.startsWith(w->editor()->text()));

    f.startReading();
    for (int i = 0; i < 30; ++i)
        w->reading()->tick();
    const int place = w->engine().state().CurrentLine;
    w->editor()->setCaret(7);
    QVERIFY(place > 0);
    QTRY_VERIFY_WITH_TIMEOUT(!w->documents()->readingOn(), 60000);
    QCOMPARE(w->editor()->text(), whole);
    QCOMPARE(w->engine().state().CurrentLine, place);
    QCOMPARE(w->editor()->caret(), 7);
    // The percentage now counts the whole book.
    w->reading()->tick();
    QCOMPARE(w->strip()->UpDown1->value(),
             Chunker::progressOf(w->engine().state().CurrentLine, w->editor()->lineCount()));
    QVERIFY(f.dialogs->messages.isEmpty());

    // Another text, a clear or the shut-down while pages still come in: nothing more arrives.
    const auto nothingMoreArrives = [&](const QString &held) {
        QVERIFY(!w->documents()->readingOn());
        QTest::qWait(300);
        QCOMPARE(w->editor()->text(), held);
    };
    w->reading()->interrupt();
    f.writeFile(QStringLiteral("рассказ.txt"), "Короткий рассказ.");
    w->documents()->loadFromFile();
    QVERIFY(w->documents()->readingOn());
    f.dialogs->openAnswer = f.path(QStringLiteral("рассказ.txt"));
    w->documents()->loadFromFile();
    nothingMoreArrives(QStringLiteral("Короткий рассказ."));

    f.dialogs->openAnswer = f.path(QStringLiteral("книга.pdf"));
    w->documents()->loadFromFile();
    w->documents()->clearEditor();
    nothingMoreArrives(QString());

    w->documents()->loadFromFile();
    const QString beginning = w->editor()->text();
    w->shutDown();
    nothingMoreArrives(beginning);
    QCOMPARE(TextCodec::decode(f.readFile(QStringLiteral("LastEdit"))), beginning);
}

// A file dropped on the display loads as "Загрузить из файла" does, whatever Cyrillic
// encoding it comes in.
void test_loading::droppedFile_loadsAsTheLoadCommand_inItsOwnEncoding() {
    WindowFixture f;
    MainWindow *w = f.startWithText(numberedLines(5));
    const QString text = QStringLiteral("Александр Блок. Ночь, улица, фонарь, аптека.");
    QStringEncoder encoder("KOI8-R");
    f.writeFile(QStringLiteral("блок.txt"), encoder.encode(text));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(f.path(QStringLiteral("блок.txt")))});
    DisplayPanel *panel = w->mainPanel();
    const QPoint at = panel->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(panel, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(panel, &drop);
    QTRY_COMPARE(w->editor()->text(), text);
    QCOMPARE(w->engine().state().CurrentLine, 0);
    QVERIFY(!w->isReading());
}

// The file is only read: a drop answered with a move lets the file manager delete it.
void test_loading::droppedFile_isTakenAsACopy_neverMoved() {
    WindowFixture f;
    MainWindow *w = f.startWithText(numberedLines(5));
    f.writeFile(QStringLiteral("книга.txt"), "text");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(f.path(QStringLiteral("книга.txt")))});
    DisplayPanel *panel = w->mainPanel();
    const QPoint at = panel->rect().center();
    // Shift asks for a move, which the file manager offers along with a copy.
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    QDragEnterEvent enter(at, offered, &data, Qt::LeftButton, Qt::ShiftModifier);
    QApplication::sendEvent(panel, &enter);
    QVERIFY(enter.isAccepted());
    QCOMPARE(enter.dropAction(), Qt::CopyAction);
    QDragMoveEvent move(at, offered, &data, Qt::LeftButton, Qt::ShiftModifier);
    QApplication::sendEvent(panel, &move);
    QVERIFY(move.isAccepted());
    QCOMPARE(move.dropAction(), Qt::CopyAction);
    QDropEvent drop(at, offered, &data, Qt::LeftButton, Qt::ShiftModifier);
    QApplication::sendEvent(panel, &drop);
    QVERIFY(drop.isAccepted());
    QCOMPARE(drop.dropAction(), Qt::CopyAction);
    QTRY_COMPARE(w->editor()->text(), QStringLiteral("text"));

    // A source that only lets the file go is refused.
    QDragEnterEvent moveOnly(at, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(panel, &moveOnly);
    QVERIFY(!moveOnly.isAccepted());
}

void test_loading::binaryNamedTxt_keepsTheText_andSaysItIsNoText() {
    WindowFixture f;
    const QString old = numberedLines(5);
    MainWindow *w = f.startWithText(old);
    QFile icon(qEnvironmentVariable("ZK_SOURCE_DIR") + u"/data/icons/zorkan-32.png"_s);
    QVERIFY(icon.open(QIODevice::ReadOnly));
    QByteArray random(4096, '\0');
    QRandomGenerator rng(7);
    for (char &c : random)
        c = static_cast<char>(rng.bounded(256));
    const QByteArray jpeg =
        QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01", 16) + random.left(2000);
    for (const QByteArray &bytes : {icon.readAll(), jpeg, random}) {
        f.writeFile(u"картинка.txt"_s, bytes);
        f.dialogs->openAnswer = f.path(u"картинка.txt"_s);
        f.dialogs->messages.clear();
        w->documents()->loadFromFile();
        QCOMPARE(w->editor()->text(), old);
        QCOMPARE(f.dialogs->messages.size(), 1);
        QVERIFY2(f.dialogs->messages[0].endsWith(u"Файл не похож на текст"_s),
                 qPrintable(f.dialogs->messages[0]));
    }
    // Texts with zero bytes of their own, or a stray control byte, are still texts.
    const QString russian = u"Съешь же ещё этих мягких французских булок.\nДа выпей чаю."_s;
    const QByteArray utf16(reinterpret_cast<const char *>(russian.utf16()), russian.size() * 2);
    QByteArray strayControl = TextCodec::toWindows1251(russian.repeated(3));
    strayControl[10] = '\x01';
    for (const QByteArray &bytes : {utf16, strayControl}) {
        f.writeFile(u"текст.txt"_s, bytes);
        f.dialogs->openAnswer = f.path(u"текст.txt"_s);
        f.dialogs->messages.clear();
        w->documents()->loadFromFile();
        QVERIFY(f.dialogs->messages.isEmpty());
        QVERIFY(w->editor()->text().contains(u"Да выпей чаю."_s));
    }
}

// A zip of several books asks which to read; "Отмена" is a quiet cancelled load.
void test_loading::zipOfSeveralBooks_asksWhichToRead() {
    WindowFixture f;
    const QString old = numberedLines(5);
    MainWindow *w = f.startWithText(old);
    const QString zip = f.path(u"две.fb2.zip"_s);
    writeBooksZip(zip,
                  {{u"Первая.fb2"_s, u"Первая книга."_s}, {u"Вторая.fb2"_s, u"Вторая книга."_s}});
    f.dialogs->openAnswer = zip;
    w->documents()->loadFromFile();
    QCOMPARE(f.dialogs->choiceAsked,
             (QStringList{u"В архиве несколько книг"_s, u"Какую книгу из «две.fb2.zip» открыть?"_s,
                          u"Первая.fb2"_s, u"Вторая.fb2"_s}));
    QCOMPARE(w->editor()->text(), old);
    QVERIFY(f.dialogs->messages.isEmpty());

    f.dialogs->choice = 1;
    w->documents()->loadFromFile();
    QCOMPARE(w->editor()->text(), u"Вторая книга."_s);

    // A shut-down while the list is up ends the load; the text it stored stays in the editor.
    f.dialogs->choice = 0;
    f.dialogs->whileChoosing = [w] { w->shutDown(); };
    w->documents()->loadFromFile();
    QCOMPARE(w->editor()->text(), u"Вторая книга."_s);
    QCOMPARE(f.readFile(u"LastEdit"_s), TextCodec::encode(u"Вторая книга."_s));
    QVERIFY(f.dialogs->messages.isEmpty());

    // The real list: the first book stands chosen, Enter takes the one moved to.
    QTimer::singleShot(0, [] {
        QWidget *dialog = QApplication::activeModalWidget();
        auto *list = dialog ? dialog->findChild<QListWidget *>() : nullptr;
        if (list && list->currentRow() == 0)
            list->setCurrentRow(1);
        if (list)
            QTest::keyClick(list, Qt::Key_Return);
        else if (dialog)
            dialog->close();
    });
    QCOMPARE(QtDialogs().chooseItem(w, u"Т"_s, u"М"_s, {u"а"_s, u"б"_s}), std::optional<int>(1));
}

QTEST_MAIN(test_loading)
#include "test_loading.moc"
