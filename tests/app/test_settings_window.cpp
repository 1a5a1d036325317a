#include "WindowFixture.h"

#include "app/commands/RecordMapping.h"
#include "display/FullScreenWindow.h"
#include "display/StatisticsBar.h"
#include "settings/SettingsRecord.h"

#include <QElapsedTimer>
#include <QFontDialog>
#include <QFontInfo>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QScreen>
#include <QTimer>
#include <QtEndian>

using namespace zk;

class test_settings_window : public QObject {
    Q_OBJECT
private slots:
    void noSettingsFile_startsDesigned_andWritesOneRecord();
    void shortSettingsFile_isDeleted_andDefaultsUsed();
    void everyField_survivesStartAndExit_byteForByte();
    void placement_isTheOuterFrame_andDoesNotGrow();
    void maximized_keepsNormalPlacement_andMaximizesAgain();
    void readingPosition_followsSavedLine_withinTheText();
    void restoreSettings_resetsOnlyTheOptions();
    void restoreView_bringsBackDesignedLook_inPlace();
    void twoPauseFlags_stayTwoCheckedItems();
    void displayFontChange_leavesStoredEditorFont();
    void typefaceNames_comeBackAsStored();
    void fontDialog_showsTheFaceDrawn_andKeepsTheStoredName();
    void editorFont_survivesRestart();
    void rememberOff_restoresSettingsButNotTheSession();
    void rememberOn_reopensEditorFullScreenAndReading();
    void unstorableFolders_keepPreviousValue();
    void damagedRecords_loadApplyAndSave_withinLimits();
};

namespace {

const QString ZKData = QStringLiteral("ZKData");

// Lines of ten characters, so the exit's back-off keeps the reading line.
QString shortLines(int count) {
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << QStringLiteral("строка %1").arg(i, 2, 10, QLatin1Char('0'));
    return lines.join(QLatin1Char('\n'));
}

template <std::size_t N> std::array<quint8, N> pattern(quint8 seed) {
    std::array<quint8, N> out{};
    for (std::size_t i = 0; i < N; ++i)
        out[i] = static_cast<quint8>(seed + i * 7);
    return out;
}

// A stored string with stale bytes past its length, as an older writer leaves them.
RecordString storedString(const QString &value, quint8 stale) {
    QByteArray raw = TextCodec::toWindows1251(value);
    raw.prepend(static_cast<char>(raw.size()));
    raw.append(QByteArray(RecordString::Width - raw.size(), static_cast<char>(stale)));
    return RecordString::fromRaw(raw);
}

FontRecord font(quint8 charset, quint32 color, qint32 height, const QString &name, quint8 pitch,
                qint32 size, quint8 style, quint8 seed) {
    FontRecord f;
    f.Charset = charset;
    f.Color = color;
    f.Height = height;
    f.Name = storedString(name, seed);
    f.Pitch = pitch;
    f.Size = size;
    f.Style = style;
    f.Reserved1 = pattern<3>(seed);
    f.Reserved269 = pattern<3>(seed + 1);
    f.Reserved277 = pattern<3>(seed + 2);
    return f;
}

// Every field away from its default. The four state flags hold what the exit
// of the round trip writes: reading on, editor, music and full screen off.
SettingsRecord everyFieldSet() {
    SettingsRecord r;
    r.WindowTop = 30;
    r.WindowLeft = 40;
    r.WindowWidth = 600;
    r.WindowHeight = 380;
    r.ReadingOn = RecordFlag(true);
    r.Reserved21 = pattern<3>(0x21);
    r.DelMin = RecordFlag::fromRaw(7);
    r.ReadNonStop = RecordFlag::fromRaw(1);
    r.ReactOnFocus = RecordFlag::fromRaw(0x80);
    r.ShortPause = RecordFlag::fromRaw(1);
    r.LongPause = RecordFlag::fromRaw(2);
    r.SmartPause = RecordFlag::fromRaw(3);
    r.RemAll = RecordFlag::fromRaw(9);
    r.Reserved33 = pattern<3>(0x33);
    r.PanelFont = font(1, 0x00123456, -40, QStringLiteral("DejaVu Serif"), 2, 24,
                       FontRecord::Bold | FontRecord::Italic | 0x40, 0x50);
    r.EditFont = font(0, 0x00204060, -16, QStringLiteral("Liberation Mono"), 1, 10,
                      FontRecord::Underline | FontRecord::StrikeOut, 0x60);
    r.PanelColor = 0x00402010;
    r.EditColor = 0x00E0F0FF;
    r.ShowTimeOfWork = RecordFlag::fromRaw(5);
    r.ShowSpeedInWords = RecordFlag(true);
    r.Reserved610 = pattern<6>(0x61);
    r.TextFolder = storedString(QStringLiteral("/нет/такой/папки с текстами"), 0xAA);
    r.MusicFolder = storedString(QStringLiteral("/нет/музыки"), 0xBB);
    r.MusicFile = storedString(QStringLiteral("/нет/музыки/песня.mp3"), 0xCC);
    r.Reserved1384 = pattern<512>(0x13);
    r.SavedLine = 3;
    r.Delay = 130;
    r.RowLength = 7;
    r.RowCount = 2;
    return r;
}

QString firstDifference(const QByteArray &a, const QByteArray &b) {
    for (qsizetype i = 0; i < std::min(a.size(), b.size()); ++i) {
        if (a[i] != b[i])
            return QStringLiteral("byte %1: %2 instead of %3")
                .arg(i)
                .arg(quint8(a[i]))
                .arg(quint8(b[i]));
    }
    return a.size() == b.size() ? QString() : QStringLiteral("sizes differ");
}

SettingsRecord saved(const WindowFixture &f) {
    const QByteArray bytes = f.readFile(ZKData);
    if (bytes.size() != SettingsRecord::ByteSize)
        qWarning("ZKData has %d bytes", int(bytes.size()));
    return SettingsRecord::decode(bytes).value_or(SettingsRecord());
}

QRect frameOf(const SettingsRecord &r) {
    return QRect(r.WindowLeft, r.WindowTop, r.WindowWidth, r.WindowHeight);
}

bool isChecked(MainWindow *w, const char *name) {
    return namedAction(w, name)->isChecked();
}

const char *const OptionItems[] = {"MnReactOnSigns", "MnDelMin",       "MnReadNonStop",
                                   "MnReactOnFocus", "MnWithoutPause", "MnShortPause",
                                   "MnLongPause",    "MnSmartPause",   "MnRemAll"};

QList<bool> options(MainWindow *w) {
    QList<bool> out;
    for (const char *name : OptionItems)
        out << isChecked(w, name);
    return out;
}

QList<bool> optionsOf(const SettingsRecord &r) {
    return {r.ReactOnSigns.isOn(), r.DelMin.isOn(),       r.ReadNonStop.isOn(),
            r.ReactOnFocus.isOn(), r.WithoutPause.isOn(), r.ShortPause.isOn(),
            r.LongPause.isOn(),    r.SmartPause.isOn(),   r.RemAll.isOn()};
}

// The designed look: display and editor fonts and colours, and the statistics bar.
void verifyDesignedView(MainWindow *w) {
    const QFont display = w->mainPanel()->displayFont();
    QCOMPARE(display.family(), QStringLiteral("Bookman Old Style"));
    QCOMPARE(display.pointSize(), 47);
    QVERIFY(!display.bold() && !display.italic());
    QCOMPARE(w->mainPanel()->displayColor(), QColor(Qt::yellow));
    QCOMPARE(w->mainPanel()->background(), QColor(Qt::black));
    const QFont editor = w->editor()->document()->defaultFont();
    QCOMPARE(editor.family(), QStringLiteral("MS Sans Serif"));
    QCOMPARE(editor.pointSize(), 12);
    QCOMPARE(w->editor()->palette().color(QPalette::Text), QColor(Qt::black));
    QCOMPARE(w->editor()->palette().color(QPalette::Base), QColor(192, 192, 192));
    StatisticsBar *bar = w->statisticsBar();
    QVERIFY(!bar->isHidden());
    QVERIFY(!bar->PnReading->isHidden());
    QVERIFY(!bar->PnSigns->isHidden());
    QVERIFY(bar->PnWork->isHidden());
    QVERIFY(bar->PnWords->isHidden());
    for (const char *name :
         {"MnShowPicture", "MnShowTimeAndSpeed", "MnShowTimeOfReading", "MnShowSpeedInSigns"})
        QVERIFY2(isChecked(w, name), name);
    for (const char *name : {"MnShowTimeOfWork", "MnShowSpeedInWords"})
        QVERIFY2(!isChecked(w, name), name);
}

bool onSomeScreen(const QRect &frame) {
    for (QScreen *screen : QGuiApplication::screens()) {
        if (screen->geometry().intersects(frame))
            return true;
    }
    return false;
}

bool fitsSomeScreen(const QSize &size) {
    for (QScreen *screen : QGuiApplication::screens()) {
        if (size.boundedTo(screen->availableGeometry().size()) == size)
            return true;
    }
    return false;
}

} // namespace

void test_settings_window::noSettingsFile_startsDesigned_andWritesOneRecord() {
    WindowFixture f;
    MainWindow *w = f.start();
    verifyDesignedView(w);
    QCOMPARE(options(w), optionsOf(SettingsRecord::designedDefaults()));
    QCOMPARE(w->strip()->UpDown2->value(), 140);
    QCOMPARE(w->strip()->UpDown3->value(), 10);
    QCOMPARE(w->strip()->UpDown4->value(), 1);
    QCOMPARE(w->timers().t1->interval(), 140);
    QCOMPARE(w->frameGeometry(), QRect(66, 54, 730, 418));

    w->shutDown();
    QCOMPARE(f.readFile(ZKData).size(), SettingsRecord::ByteSize);
    // The designed record, but as wide as the window really is.
    SettingsRecord expected = SettingsRecord::designedDefaults();
    expected.WindowWidth = 730;
    QCOMPARE(w->defaultSettings(), expected);
    const QByteArray bytes = f.readFile(ZKData);
    QVERIFY2(bytes == expected.encode(), qPrintable(firstDifference(bytes, expected.encode())));
}

void test_settings_window::shortSettingsFile_isDeleted_andDefaultsUsed() {
    WindowFixture f;
    SettingsRecord r = everyFieldSet();
    f.writeFile(ZKData, r.encode().left(SettingsRecord::ByteSize - 1));
    MainWindow *w = f.start();
    QVERIFY(!QFile::exists(f.path(ZKData)));
    verifyDesignedView(w);
    QCOMPARE(options(w), optionsOf(SettingsRecord::designedDefaults()));
    QCOMPARE(w->strip()->UpDown2->value(), 140);
    QCOMPARE(w->settingsRecord(), w->defaultSettings());
}

void test_settings_window::everyField_survivesStartAndExit_byteForByte() {
    WindowFixture f;
    const SettingsRecord original = everyFieldSet();
    f.writeFile(ZKData, original.encode());
    MainWindow *w = f.startWithText(shortLines(12));
    w->timers().t1->stop(); // the run stays in progress, but no piece is taken

    // Applied: a sample of every kind of field.
    QCOMPARE(w->mainPanel()->displayFont().family(), QStringLiteral("DejaVu Serif"));
    QCOMPARE(w->mainPanel()->displayFont().pointSize(), 24);
    QVERIFY(w->mainPanel()->displayFont().bold() && w->mainPanel()->displayFont().italic());
    QCOMPARE(w->mainPanel()->displayColor(), RecordMapping::toColor(0x00123456));
    QCOMPARE(w->mainPanel()->background(), RecordMapping::toColor(0x00402010));
    QCOMPARE(w->editor()->document()->defaultFont().family(), QStringLiteral("Liberation Mono"));
    QVERIFY(w->editor()->document()->defaultFont().strikeOut());
    QCOMPARE(w->editor()->palette().color(QPalette::Base), RecordMapping::toColor(0x00E0F0FF));
    QCOMPARE(options(w), optionsOf(original));
    QVERIFY(w->statisticsBar()->isHidden());
    QVERIFY(!w->statisticsBar()->PnWork->isHidden());
    QVERIFY(!w->statisticsBar()->PnWords->isHidden());
    QVERIFY(!isChecked(w, "MnShowPicture"));
    QCOMPARE(w->strip()->UpDown2->value(), 130);
    QCOMPARE(w->timers().t1->interval(), 130);
    QCOMPARE(w->strip()->UpDown3->value(), 7);
    QCOMPARE(w->strip()->UpDown4->value(), 2);
    QCOMPARE(w->engine().state().CurrentLine, 3);
    QCOMPARE(w->strip()->UpDown1->value(), 25);
    QCOMPARE(w->frameGeometry(), frameOf(original));
    QVERIFY(w->isReading());

    w->shutDown();
    const QByteArray bytes = f.readFile(ZKData);
    QVERIFY2(bytes == original.encode(), qPrintable(firstDifference(bytes, original.encode())));
}

void test_settings_window::placement_isTheOuterFrame_andDoesNotGrow() {
    WindowFixture f;
    SettingsRecord r = SettingsRecord::designedDefaults();
    r.WindowLeft = 12;
    r.WindowTop = 21;
    r.WindowWidth = 500;
    r.WindowHeight = 300;
    f.writeFile(ZKData, r.encode());
    for (int run = 0; run < 3; ++run) {
        MainWindow *w = f.start();
        QCOMPARE(w->frameGeometry(), frameOf(r));
        w->shutDown();
        f.window.reset();
        QCOMPARE(frameOf(saved(f)), frameOf(r));
    }

    // Moved and resized by the user: the new frame is stored.
    MainWindow *w = f.start();
    w->move(100, 90);
    w->resize(w->width() + 40, w->height() + 30);
    const QRect moved = w->frameGeometry();
    QCOMPARE(moved.topLeft(), QPoint(100, 90));
    w->shutDown();
    QCOMPARE(frameOf(saved(f)), moved);
}

void test_settings_window::maximized_keepsNormalPlacement_andMaximizesAgain() {
    WindowFixture f;
    SettingsRecord r = SettingsRecord::designedDefaults();
    r.WindowLeft = 50;
    r.WindowTop = 40;
    r.WindowWidth = 620;
    r.WindowHeight = 400;
    f.writeFile(ZKData, r.encode());
    MainWindow *w = f.start();
    w->showMaximized();
    QTRY_VERIFY(w->isMaximized());
    w->shutDown();
    f.window.reset();
    SettingsRecord stored = saved(f);
    QVERIFY(stored.Maximized.isOn());
    QCOMPARE(frameOf(stored), frameOf(r));

    w = f.start();
    QVERIFY(w->isMaximized());
    w->showNormal();
    QTRY_VERIFY(!w->isMaximized());
    QTRY_COMPARE(w->frameGeometry(), frameOf(r));
    w->showMaximized();
    QTRY_VERIFY(w->isMaximized());
    w->shutDown();
    stored = saved(f);
    QVERIFY(stored.Maximized.isOn());
    QCOMPARE(frameOf(stored), frameOf(r));
}

void test_settings_window::readingPosition_followsSavedLine_withinTheText() {
    struct Case {
        QString text;
        qint32 savedLine;
        int progress;
        int currentLine;
    };
    QStringList twoHundred;
    for (int i = 0; i < 200; ++i)
        twoHundred << QStringLiteral("Строка номер %1.").arg(i);
    const Case cases[] = {
        {QString(), 70, 0, 0},
        {twoHundred.join(QLatin1Char('\n')), 50, 25, 50},
        {twoHundred.join(QLatin1Char('\n')), -5, 0, 0},
        {twoHundred.join(QLatin1Char('\n')), std::numeric_limits<qint32>::min(), 0, 0},
    };
    for (const Case &c : cases) {
        WindowFixture f;
        SettingsRecord r = SettingsRecord::designedDefaults();
        r.SavedLine = c.savedLine;
        f.writeFile(ZKData, r.encode());
        MainWindow *w = f.startWithText(c.text);
        QCOMPARE(w->strip()->UpDown1->value(), c.progress);
        QCOMPARE(w->engine().state().CurrentLine, c.currentLine);
    }
}

void test_settings_window::restoreSettings_resetsOnlyTheOptions() {
    WindowFixture f;
    SettingsRecord r = everyFieldSet();
    r.ReadingOn = RecordFlag(false);
    r.Delay = 300;
    r.RowLength = 20;
    r.RowCount = 3;
    f.writeFile(ZKData, r.encode());
    MainWindow *w = f.startWithText(shortLines(20));
    QVERIFY(isChecked(w, "MnRemAll"));
    const QFont display = w->mainPanel()->displayFont();
    w->engine().state().WordCount = 12;
    w->engine().state().SignCount = 80;
    w->statistics().advancePhase();

    w->actions().N28->trigger();
    QCOMPARE(options(w), optionsOf(SettingsRecord::designedDefaults()));
    QVERIFY(!isChecked(w, "MnRemAll"));
    QCOMPARE(w->strip()->UpDown2->value(), 300);
    QCOMPARE(w->timers().t1->interval(), 300);
    QCOMPARE(w->strip()->UpDown3->value(), 20);
    QCOMPARE(w->strip()->UpDown4->value(), 3);
    QCOMPARE(w->mainPanel()->displayFont(), display);
    QCOMPARE(w->frameGeometry(), frameOf(r));
    QCOMPARE(w->engine().state().WordCount, 0);
    QCOMPARE(w->engine().state().SignCount, 0);
    QCOMPARE(w->statistics().speedPhase(), -6);
}

void test_settings_window::restoreView_bringsBackDesignedLook_inPlace() {
    WindowFixture f;
    SettingsRecord r = everyFieldSet();
    r.ReadingOn = RecordFlag(false);
    f.writeFile(ZKData, r.encode());
    MainWindow *w = f.startWithText(shortLines(20));
    w->move(70, 80);
    const QRect frame = w->frameGeometry();
    const QList<bool> before = options(w);

    // Its first pass over pending events wears the hourglass.
    Qt::CursorShape pumpCursor = Qt::ArrowCursor;
    QTimer::singleShot(0, w, [&pumpCursor] {
        if (const QCursor *c = QApplication::overrideCursor())
            pumpCursor = c->shape();
    });
    w->actions().MnSetView->trigger();
    QCOMPARE(pumpCursor, Qt::WaitCursor);
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    verifyDesignedView(w);
    QCOMPARE(w->frameGeometry(), frame);
    QCOMPARE(options(w), before);
    QCOMPARE(w->strip()->UpDown2->value(), 130);
    QCOMPARE(w->strip()->UpDown4->value(), 2);
    // The full-screen window takes the same look.
    QCOMPARE(w->fullScreenWindow()->panel()->displayFont().family(),
             QStringLiteral("Bookman Old Style"));
    QCOMPARE(w->fullScreenWindow()->panel()->background(), QColor(Qt::black));
    w->shutDown();
    const SettingsRecord stored = saved(f);
    QCOMPARE(stored.PanelFont.Name.value(), QStringLiteral("Bookman Old Style"));
    QCOMPARE(stored.PanelFont.Size, 47);
    QCOMPARE(stored.PanelColor, 0u);
    QCOMPARE(stored.EditColor, 0x00C0C0C0u);
    QCOMPARE(stored.EditFont.Name.value(), QStringLiteral("MS Sans Serif"));
}

void test_settings_window::twoPauseFlags_stayTwoCheckedItems() {
    WindowFixture f;
    SettingsRecord r = SettingsRecord::designedDefaults();
    r.WithoutPause = RecordFlag(false);
    r.ShortPause = RecordFlag(true);
    r.SmartPause = RecordFlag(true);
    f.writeFile(ZKData, r.encode());
    MainWindow *w = f.start();
    QVERIFY(!isChecked(w, "MnWithoutPause"));
    QVERIFY(isChecked(w, "MnShortPause"));
    QVERIFY(!isChecked(w, "MnLongPause"));
    QVERIFY(isChecked(w, "MnSmartPause"));
    w->settings()->syncPauseMenu();
    QVERIFY(isChecked(w, "PumShortPause") && isChecked(w, "PumSmartPause"));
    w->shutDown();
    QCOMPARE(optionsOf(saved(f)), optionsOf(r));
}

void test_settings_window::displayFontChange_leavesStoredEditorFont() {
    WindowFixture f;
    MainWindow *w = f.startWithText(shortLines(5));
    f.dialogs->font = FontChoice{QFont(QStringLiteral("DejaVu Sans"), 30), Qt::green};
    w->view()->chooseDisplayFont();
    QCOMPARE(w->mainPanel()->displayFont().family(), QStringLiteral("DejaVu Sans"));
    w->shutDown();
    const SettingsRecord stored = saved(f);
    QCOMPARE(stored.PanelFont.Name.value(), QStringLiteral("DejaVu Sans"));
    QCOMPARE(stored.PanelFont.Size, 30);
    QCOMPARE(stored.PanelFont.Color, 0x0000FF00u);
    // The editor text still has its own font; that is what the next start gives it.
    QCOMPARE(stored.EditFont, w->defaultSettings().EditFont);
}

// "Bookman Old Style" is drawn by a substitute; the dialog opens on that face, in Cyrillic,
// and OK without a change gives back the stored name.
void test_settings_window::fontDialog_showsTheFaceDrawn_andKeepsTheStoredName() {
    const QFont stored(QStringLiteral("Bookman Old Style"), 47);
    const QString drawn = QFontInfo(stored).family();
    QtDialogs dialogs;
    QString shownFamily, sample;
    int sizeChange = 0;
    const auto answer = [&] {
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            auto *fonts = dialog->findChild<QFontDialog *>();
            shownFamily = fonts->currentFont().family();
            if (auto *edit =
                    fonts->findChild<QLineEdit *>(QStringLiteral("qt_fontDialog_sampleEdit")))
                sample = edit->text();
            if (sizeChange) {
                QFont f = fonts->currentFont();
                f.setPointSize(f.pointSize() + sizeChange);
                fonts->setCurrentFont(f);
            }
            dialog->accept();
        });
    };
    answer();
    std::optional<FontChoice> chosen = dialogs.chooseFont(nullptr, {stored, Qt::yellow});
    QVERIFY(chosen);
    QCOMPARE(shownFamily, drawn);
    QVERIFY2(sample.startsWith(QStringLiteral("АаБб")), qPrintable(sample));
    QCOMPARE(chosen->font.family(), stored.family());
    QCOMPARE(chosen->font.pointSize(), 47);

    // A new size on the same face keeps the name too.
    sizeChange = 1;
    answer();
    chosen = dialogs.chooseFont(nullptr, {stored, Qt::yellow});
    QVERIFY(chosen);
    QCOMPARE(chosen->font.family(), stored.family());
    QCOMPARE(chosen->font.pointSize(), 48);
}

void test_settings_window::typefaceNames_comeBackAsStored() {
    const QString names[] = {QStringLiteral("Times New Roman, Cyr"), QStringLiteral(" Пробел "),
                             QStringLiteral("\"Кавычки\""), QString(),
                             QString(RecordString::Capacity, QChar(0x0416))};
    for (const QString &name : names) {
        FontRecord stored = font(204, 0x00010203, -30, name, 1, 18, FontRecord::Bold | 0x80, 0x70);
        QColor color;
        const QFont applied = RecordMapping::RecordToFont(stored, &color);
        FontRecord captured = stored;
        RecordMapping::FontToRecord(applied, color, captured);
        QCOMPARE(captured, stored);
    }

    // A typeface the record cannot hold keeps the previous name; a font sized in
    // pixels is stored by the points it comes to.
    FontRecord stored = SettingsRecord::designedDefaults().PanelFont;
    QFont foreign(QStringLiteral("Noto Sans CJK 漢字"));
    foreign.setPixelSize(40);
    RecordMapping::FontToRecord(foreign, Qt::yellow, stored);
    QCOMPARE(stored.Name.value(), QStringLiteral("Bookman Old Style"));
    QVERIFY(stored.Size > 0);
    QCOMPARE(stored.Height, -qRound(stored.Size * 120 / 72.0));
}

void test_settings_window::editorFont_survivesRestart() {
    WindowFixture f;
    MainWindow *w = f.startWithText(shortLines(5));
    w->editing()->toggleEditor();
    QFont chosen(QStringLiteral("DejaVu Serif"));
    chosen.setPointSize(20);
    chosen.setItalic(true);
    f.dialogs->font = FontChoice{chosen, Qt::darkBlue};
    w->actions().MnEditFont->trigger();
    w->shutDown();
    f.window.reset();

    w = f.start();
    const QFont font = w->editor()->document()->defaultFont();
    QCOMPARE(font.family(), QStringLiteral("DejaVu Serif"));
    QCOMPARE(font.pointSize(), 20);
    QVERIFY(font.italic());
    QCOMPARE(w->editor()->palette().color(QPalette::Text), QColor(Qt::darkBlue));
}

void test_settings_window::rememberOff_restoresSettingsButNotTheSession() {
    WindowFixture f;
    SettingsRecord r = everyFieldSet();
    r.RemAll = RecordFlag(false);
    r.EditorOn = RecordFlag(true);
    r.FullScreen = RecordFlag(true);
    r.ReadingOn = RecordFlag(true);
    f.writeFile(ZKData, r.encode());
    MainWindow *w = f.startWithText(shortLines(12));
    QVERIFY(!w->timers().TEditOn->isActive());
    QVERIFY(!w->isReading());
    QVERIFY(!w->fullScreenWindow()->isVisible());
    QVERIFY(w->isVisible());
    QCOMPARE(w->editor()->text(), shortLines(12));
    QCOMPARE(w->engine().state().CurrentLine, 3);
    QCOMPARE(w->strip()->UpDown2->value(), 130);
    QCOMPARE(options(w), optionsOf(r));
    QCOMPARE(w->mainPanel()->displayFont().family(), QStringLiteral("DejaVu Serif"));
    QCOMPARE(w->frameGeometry(), frameOf(r));
}

void test_settings_window::rememberOn_reopensEditorFullScreenAndReading() {
    {
        WindowFixture f;
        SettingsRecord r = everyFieldSet();
        r.ReadingOn = RecordFlag(false);
        r.EditorOn = RecordFlag(true);
        f.writeFile(ZKData, r.encode());
        MainWindow *w = f.startWithText(shortLines(12));
        QVERIFY(!w->editor()->isVisible());
        QVERIFY(w->timers().TEditOn->isActive());
        QCOMPARE(w->timers().TEditOn->interval(), 300);
        QTRY_VERIFY(w->editor()->isVisible());
        QVERIFY(!w->timers().TEditOn->isActive());
        QVERIFY(!w->settingsRecord().EditorOn.isOn());
        // The caret stands at the reading line.
        QCOMPARE(w->editor()->lineOfPosition(w->editor()->caret()), 3);
        w->shutDown();
        QVERIFY(saved(f).EditorOn.isOn());
    }
    {
        WindowFixture f;
        SettingsRecord r = everyFieldSet();
        r.ReadingOn = RecordFlag(false);
        r.FullScreen = RecordFlag(true);
        r.EditorOn = RecordFlag(true);
        f.writeFile(ZKData, r.encode());
        MainWindow *w = f.startWithText(shortLines(12));
        QVERIFY(w->fullScreenWindow()->isVisible());
        QVERIFY(!w->isVisible());
        QVERIFY(!w->isReading());
        // The editor is not reopened under the full-screen window.
        w->editing()->showEditorAtStart();
        QVERIFY(w->editor()->isHidden());
        QCOMPARE(w->fullScreenWindow()->panel()->displayFont().family(),
                 QStringLiteral("DejaVu Serif"));
        w->shutDown();
        const SettingsRecord stored = saved(f);
        QVERIFY(stored.FullScreen.isOn());
        // The main window's own placement is kept while it is hidden.
        QCOMPARE(frameOf(stored), frameOf(r));
    }
    {
        WindowFixture f;
        SettingsRecord r = everyFieldSet();
        r.EditorOn = RecordFlag(true);
        f.writeFile(ZKData, r.encode());
        MainWindow *w = f.startWithText(shortLines(12));
        QVERIFY(w->isReading());
        QVERIFY(w->timers().t1->isActive());
        // Nor in the middle of the run.
        w->editing()->showEditorAtStart();
        QVERIFY(!w->editor()->isVisible());
        QVERIFY(w->isReading());
        w->timers().t1->stop();
        w->reading()->tick();
        // Reading resumes at the stored line, in rows of at most seven characters.
        QCOMPARE(f.row(0), QStringLiteral("строка"));
        QCOMPARE(f.row(1), QStringLiteral("03"));
    }
}

void test_settings_window::unstorableFolders_keepPreviousValue() {
    WindowFixture f;
    SettingsRecord r = SettingsRecord::designedDefaults();
    r.TextFolder.set(QStringLiteral("/старая/папка"));
    f.writeFile(ZKData, r.encode());
    MainWindow *w = f.start();

    QDir root(f.dir.path());
    QVERIFY(root.mkpath(QStringLiteral("漢字")));
    const QString foreign = root.filePath(QStringLiteral("漢字/книга.txt"));
    QString deep = root.path();
    while (deep.size() <= RecordString::Capacity)
        deep += QStringLiteral("/") + QString(60, QLatin1Char('d'));
    QVERIFY(QDir().mkpath(deep));
    const QString tooLong = deep + QStringLiteral("/книга.txt");
    for (const QString &path : {foreign, tooLong}) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("text");
        file.close();
        f.dialogs->openAnswer = path;
        w->documents()->loadFromFile();
        QCOMPARE(w->editor()->text(), QStringLiteral("text"));
        QCOMPARE(w->settingsRecord().TextFolder.value(), QStringLiteral("/старая/папка"));
        w->documents()->clearEditor();
    }

    // A folder that fits is stored.
    const QString fits = root.filePath(QStringLiteral("книга.txt"));
    f.writeFile(QStringLiteral("книга.txt"), "text");
    f.dialogs->openAnswer = fits;
    w->documents()->loadFromFile();
    QCOMPARE(w->settingsRecord().TextFolder.value(), root.path());
    w->shutDown();
    QCOMPARE(saved(f).TextFolder.value(), root.path());
}

namespace {

// A record damaged in one of several ways, or random bytes of any length.
QByteArray damaged(QRandomGenerator &rng, const QByteArray &base) {
    QByteArray bytes = base;
    const qint32 extremes[] = {0,
                               -1,
                               1,
                               std::numeric_limits<qint32>::min(),
                               std::numeric_limits<qint32>::max(),
                               32767,
                               -32768,
                               65535,
                               110,
                               49,
                               9001,
                               1 << 20};
    auto putInt = [&](int offset, qint32 value) {
        qToLittleEndian<qint32>(value, bytes.data() + offset);
    };
    auto anyInt = [&] {
        return rng.bounded(3) == 0 ? extremes[rng.bounded(int(std::size(extremes)))]
                                   : static_cast<qint32>(rng.generate());
    };
    switch (rng.bounded(6)) {
    case 0: { // random bytes of a random length
        bytes.resize(rng.bounded(4001));
        for (char &c : bytes)
            c = static_cast<char>(rng.bounded(256));
        return bytes;
    }
    case 1: // the numbers
        for (int offset : {0, 4, 8, 12, 596, 600, 1896, 1900, 1904, 1908, 36 + 4, 36 + 8, 36 + 272,
                           316 + 4, 316 + 8, 316 + 272})
            if (rng.bounded(2))
                putInt(offset, anyInt());
        break;
    case 2: // the string lengths and bytes
        for (int offset : {36 + 12, 316 + 12, 616, 872, 1128}) {
            for (int i = 0; i < 256; ++i)
                bytes[offset + i] = static_cast<char>(rng.bounded(256));
        }
        break;
    case 3: // flags and styles
        for (int offset = 16; offset < 36; ++offset)
            bytes[offset] = static_cast<char>(rng.bounded(256));
        for (int offset = 604; offset < 610; ++offset)
            bytes[offset] = static_cast<char>(rng.bounded(256));
        bytes[36 + 276] = static_cast<char>(rng.bounded(256));
        break;
    default: // a few random bytes anywhere
        for (int i = rng.bounded(1, 40); i > 0; --i)
            bytes[rng.bounded(SettingsRecord::ByteSize)] = static_cast<char>(rng.bounded(256));
        break;
    }
    if (rng.bounded(8) == 0)
        bytes.append(QByteArray(rng.bounded(2000), static_cast<char>(rng.bounded(256))));
    if (rng.bounded(8) == 0)
        bytes.truncate(rng.bounded(SettingsRecord::ByteSize));
    return bytes;
}

void verifyWithinLimits(MainWindow *w, const QByteArray &input) {
    const QString what = QStringLiteral("record %1").arg(QString::fromLatin1(input.toHex()));
    ControlStrip *strip = w->strip();
    QVERIFY2(w->timers().t1->interval() >= 50, qPrintable(what));
    QVERIFY2(strip->UpDown1->value() >= 0 && strip->UpDown1->value() <= 99, qPrintable(what));
    QVERIFY2(strip->UpDown2->value() >= 50 && strip->UpDown2->value() <= 9000, qPrintable(what));
    QVERIFY2(strip->UpDown3->value() >= 1 && strip->UpDown3->value() <= 50, qPrintable(what));
    QVERIFY2(strip->UpDown4->value() >= 1 && strip->UpDown4->value() <= 9, qPrintable(what));
    QVERIFY2(w->engine().state().LineCount >= 0 && w->engine().state().LineCount <= 9,
             qPrintable(what));
    QVERIFY2(onSomeScreen(w->frameGeometry()), qPrintable(what));
    QVERIFY2(w->isMaximized() || fitsSomeScreen(w->frameGeometry().size()), qPrintable(what));
    for (const QFont &font :
         {w->mainPanel()->displayFont(), w->editor()->document()->defaultFont()}) {
        QVERIFY2(font.pointSize() >= RecordMapping::MinPointSize &&
                     font.pointSize() <= RecordMapping::MaxPointSize,
                 qPrintable(what));
    }
}

} // namespace

void test_settings_window::damagedRecords_loadApplyAndSave_withinLimits() {
    QRandomGenerator rng(20240517);
    const QByteArray bases[] = {SettingsRecord::designedDefaults().encode(),
                                everyFieldSet().encode()};

    // Most records go through one window, as start-up and exit would apply them.
    {
        WindowFixture f;
        MainWindow *w = f.startWithText(shortLines(40));
        for (int i = 0; i < 3000; ++i) {
            const QByteArray input = damaged(rng, bases[i % 2]);
            f.writeFile(ZKData, input);
            w->settings()->loadSettingsFile();
            const SettingsRecord r = w->settingsRecord();
            w->settings()->applyViewSettings(r);
            w->settings()->applyWindowPlacement(r);
            w->settings()->applyReadingSettings(r);
            w->settings()->applyOptionFlags(r);
            verifyWithinLimits(w, input);
            if (QTest::currentTestFailed())
                return;
            // Writing syncs to disk, which is slow: most records are only captured.
            SettingsRecord captured = r;
            w->settings()->captureSettings(captured);
            QByteArray written = captured.encode();
            if (i % 20 == 0) {
                w->settings()->saveSettingsFile();
                written = f.readFile(ZKData);
                QCOMPARE(written, w->settingsRecord().encode());
            }
            // What is written is read back as written.
            QCOMPARE(SettingsRecord::decode(written)->encode(), written);
        }
    }

    // Some go through a whole start, a few reading ticks and an exit.
    for (int i = 0; i < 100; ++i) {
        WindowFixture f;
        const QByteArray input = damaged(rng, bases[i % 2]);
        f.writeFile(ZKData, input);
        f.writeFile(QStringLiteral("LastEdit"),
                    TextCodec::encode(i % 3 == 0 ? QString() : shortLines(i)));
        MainWindow *w = f.start(QString(), false);
        verifyWithinLimits(w, input);
        if (QTest::currentTestFailed())
            return;
        for (int tick = 0; tick < 5 && w->isReading(); ++tick)
            w->reading()->tick();
        w->shutDown();
        QCOMPARE(f.readFile(ZKData).size(), SettingsRecord::ByteSize);
    }
}

QTEST_MAIN(test_settings_window)
#include "test_settings_window.moc"
