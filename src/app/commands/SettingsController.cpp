
#include "app/commands/SettingsController.h"
#include "app/MainWindow.h"
#include "app/commands/ComprehensionController.h"
#include "app/commands/EditorController.h"
#include "app/commands/ReadingController.h"
#include "app/commands/RecordMapping.h"
#include "app/commands/SessionController.h"
#include "app/commands/ViewController.h"
#include "app/commands/WindowParts.h"
#include "display/ControlStrip.h"
#include "display/DisplayPanel.h"
#include "display/FullScreenWindow.h"
#include "display/StatisticsBar.h"
#include "editor/EditorPanel.h"
#include "reading/Chunker.h"
#include "settings/SafeFile.h"
#include "settings/SettingsFile.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>

namespace zk {

namespace {

// A checkable menu item and the record's flag that stores it.
struct Option {
    QAction *Actions::*item;
    RecordFlag SettingsRecord::*flag;
};

const Option OptionFlags[] = {
    {&Actions::MnReactOnSigns, &SettingsRecord::ReactOnSigns},
    {&Actions::MnDelMin, &SettingsRecord::DelMin},
    {&Actions::MnReadNonStop, &SettingsRecord::ReadNonStop},
    {&Actions::MnReactOnFocus, &SettingsRecord::ReactOnFocus},
    {&Actions::MnWithoutPause, &SettingsRecord::WithoutPause},
    {&Actions::MnShortPause, &SettingsRecord::ShortPause},
    {&Actions::MnLongPause, &SettingsRecord::LongPause},
    {&Actions::MnSmartPause, &SettingsRecord::SmartPause},
    {&Actions::MnRemAll, &SettingsRecord::RemAll},
};

const Option ShowOptions[] = {
    {&Actions::MnShowPicture, &SettingsRecord::ShowPicture},
    {&Actions::MnShowTimeAndSpeed, &SettingsRecord::ShowTimeAndSpeed},
    {&Actions::MnShowTimeOfReading, &SettingsRecord::ShowTimeOfReading},
    {&Actions::MnShowTimeOfWork, &SettingsRecord::ShowTimeOfWork},
    {&Actions::MnShowSpeedInWords, &SettingsRecord::ShowSpeedInWords},
    {&Actions::MnShowSpeedInSigns, &SettingsRecord::ShowSpeedInSigns},
};

// The stored placement is the outer frame, but the frame is known only once the
// window system has framed the shown window: until then the frame is sized as if
// it had no border, and this corrects it once, the first time it can.
class FrameSizeFixer final : public QObject {
public:
    static constexpr const char *Name = "FrameSizeFixer";
    // A window system that never reports a frame is given this long after showing.
    static constexpr int PatienceMs = 2000;

    FrameSizeFixer(QWidget *window, const QRect &frame)
        : QObject(window), m_window(window), m_frame(frame) {
        setObjectName(QString::fromLatin1(Name));
        window->installEventFilter(this);
    }

    static void replace(QWidget *window, const QRect *frame) {
        delete window->findChild<QObject *>(QString::fromLatin1(Name), Qt::FindDirectChildrenOnly);
        if (frame)
            new FrameSizeFixer(window, *frame);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (watched != m_window)
            return false;
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::WindowStateChange:
            // Later: QWidget is still inside its own state change here.
            QMetaObject::invokeMethod(this, &FrameSizeFixer::tryFix, Qt::QueuedConnection);
            if (event->type() == QEvent::Show)
                tryFix();
            break;
        default:
            break;
        }
        return false;
    }

private:
    void tryFix() {
        if (m_done || !m_window->isVisible() ||
            (m_window->windowState() &
             (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized)))
            return;
        const QSize decoration = m_window->frameGeometry().size() - m_window->geometry().size();
        if (decoration.isNull()) {
            if (!m_waiting.isValid())
                m_waiting.start();
            else if (m_waiting.elapsed() > PatienceMs)
                finish();
            return;
        }
        finish();
        m_window->move(m_frame.topLeft());
        m_window->resize(m_frame.size() - decoration);
    }

    void finish() {
        m_done = true;
        m_window->removeEventFilter(this);
        deleteLater();
    }

    QWidget *m_window;
    QRect m_frame;
    QElapsedTimer m_waiting;
    bool m_done = false;
};

// Options kept in "ZKOptions" by key, each off by default.
const std::pair<QAction * Actions::*, const char *> ExtraOptions[] = {
    {&Actions::MnLongWords, "LongWords"},
    {&Actions::MnRampUp, "RampUp"},
    {&Actions::MnFocusLetter, "FocusLetter"},
    {&Actions::MnContextOnStop, "ContextOnStop"},
};

// Enough of the frame to grab it with the mouse.
bool showsEnough(const QRect &frame) {
    for (QScreen *screen : QGuiApplication::screens()) {
        const QRect seen = screen->availableGeometry() & frame;
        if (seen.width() >= std::min(frame.width(), 64) &&
            seen.height() >= std::min(frame.height(), 32))
            return true;
    }
    return false;
}

// Where the window system keeps window positions to itself, it reports none.
bool positionsKnown() {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

} // namespace

SettingsController::SettingsController(WindowParts &parts) : m_parts(parts) {}

QString SettingsController::settingsPath() const {
    return QDir(m_parts.options.dataFolder).filePath(QStringLiteral("ZKData"));
}

QString SettingsController::optionsPath() const {
    return QDir(m_parts.options.dataFolder).filePath(QStringLiteral("ZKOptions"));
}

void SettingsController::loadOptionsFile() {
    const QSettings file(optionsPath(), QSettings::IniFormat);
    for (const auto &[item, key] : ExtraOptions)
        (m_parts.actions.*item)->setChecked(file.value(QLatin1String(key), false).toBool());
    const QColor focus(file.value(QStringLiteral("FocusColor")).toString());
    m_parts.view->setFocusColor(focus.isValid() ? focus : ViewController::DefaultFocusColor);
}

void SettingsController::saveOptionsFile() {
    // Never touched, never written: the data folder stays as it was.
    bool asDefault = m_parts.view->focusColor() == ViewController::DefaultFocusColor;
    for (const auto &[item, key] : ExtraOptions)
        asDefault = asDefault && !(m_parts.actions.*item)->isChecked();
    if (asDefault && !QFileInfo::exists(optionsPath()))
        return;
    QSettings file(optionsPath(), QSettings::IniFormat);
    for (const auto &[item, key] : ExtraOptions)
        file.setValue(QLatin1String(key), (m_parts.actions.*item)->isChecked());
    file.setValue(QStringLiteral("FocusColor"), m_parts.view->focusColor().name());
    file.sync();
    if (file.status() != QSettings::NoError)
        SessionController::logProblem(
            SafeFile::saveFailure(optionsPath(), QStringLiteral("не удалось записать")));
}

void SettingsController::captureSettings(SettingsRecord &record) const {
    const DisplayPanel *panel = m_parts.panel;
    const EditorPanel *editor = m_parts.editor;
    const MainWindow *window = m_parts.window;
    RecordMapping::FontToRecord(panel->displayFont(), panel->displayColor(), record.PanelFont);
    // What the editor text was last given, not what the shared font dialog holds
    // now: choosing a display font leaves the dialog with that font.
    RecordMapping::FontToRecord(editor->document()->defaultFont(),
                                editor->palette().color(QPalette::Text), record.EditFont);
    if (window->isMaximized()) {
        record.Maximized.set(true);
    } else {
        record.Maximized.set(false);
        const QRect frame = window->frameGeometry();
        if (positionsKnown()) {
            record.WindowTop = frame.top();
            record.WindowLeft = frame.left();
        }
        record.WindowWidth = frame.width();
        record.WindowHeight = frame.height();
    }
    for (const Option &o : OptionFlags)
        (record.*o.flag).set((m_parts.actions.*o.item)->isChecked());
    if (RecordMapping::toColor(record.PanelColor) != panel->background())
        record.PanelColor = RecordMapping::fromColor(panel->background());
    const QColor editColor = editor->palette().color(QPalette::Base);
    if (RecordMapping::toColor(record.EditColor) != editColor)
        record.EditColor = RecordMapping::fromColor(editColor);
    for (const Option &o : ShowOptions)
        (record.*o.flag).set((m_parts.actions.*o.item)->isChecked());
    record.SavedLine = m_parts.reading->state().CurrentLine;
    record.Delay = static_cast<qint16>(m_parts.strip->UpDown2->value());
    record.RowLength = static_cast<qint16>(m_parts.strip->UpDown3->value());
    record.RowCount = static_cast<qint16>(m_parts.strip->UpDown4->value());
}

void SettingsController::applyViewSettings(const SettingsRecord &record) {
    QColor color;
    const QFont panelFont = RecordMapping::RecordToFont(record.PanelFont, &color);
    m_parts.view->applyDisplayFont(panelFont, color);
    QColor editColor;
    const QFont editFont = RecordMapping::RecordToFont(record.EditFont, &editColor);
    m_parts.editing->setDialogFont(editFont, editColor);
    m_parts.editing->applyEditorFont();
    const QColor panelColor = RecordMapping::toColor(record.PanelColor);
    m_parts.panel->setBackground(panelColor);
    if (m_parts.fullScreen)
        m_parts.fullScreen->panel()->setBackground(panelColor);
    m_parts.editor->setBackgroundColor(RecordMapping::toColor(record.EditColor));
    for (const Option &o : ShowOptions)
        (m_parts.actions.*o.item)->setChecked((record.*o.flag).isOn());
    StatisticsBar *bar = m_parts.bar;
    bar->setVisible(record.ShowTimeAndSpeed.isOn());
    bar->PnWords->setVisible(record.ShowSpeedInWords.isOn());
    bar->PnSigns->setVisible(record.ShowSpeedInSigns.isOn());
    bar->PnWork->setVisible(record.ShowTimeOfWork.isOn());
    bar->PnReading->setVisible(record.ShowTimeOfReading.isOn());
    bar->relayout();
    m_parts.reading->fitRowCount();
}

void SettingsController::applyOptionFlags(const SettingsRecord &record) {
    for (const Option &o : OptionFlags)
        (m_parts.actions.*o.item)->setChecked((record.*o.flag).isOn());
    m_parts.reading->fitRowCount();
}

void SettingsController::applyReadingSettings(const SettingsRecord &record) {
    ReadingState &s = m_parts.reading->state();
    const int lines = m_parts.editor->lineCount();
    const int saved = std::max(0, record.SavedLine);
    if (lines > 0 && !m_parts.editor->isBlank()) {
        m_parts.reading->showProgress(std::min(99, Chunker::progressOf(saved, lines)));
        s.CurrentLine = saved;
    } else {
        s.CurrentLine = 0;
        m_parts.reading->showProgress(0);
    }
    // The spinners' own limits keep a damaged record harmless.
    m_parts.strip->UpDown2->setValue(record.Delay);
    m_parts.strip->UpDown3->setValue(record.RowLength);
    m_parts.strip->UpDown4->setValue(record.RowCount);
}

void SettingsController::applyWindowPlacement(const SettingsRecord &record) {
    MainWindow *window = m_parts.window;
    // Beyond any desktop, yet far from overflowing when edges are summed.
    constexpr int Reach = 1 << 20;
    const QPoint origin(std::clamp(record.WindowLeft, -Reach, Reach),
                        std::clamp(record.WindowTop, -Reach, Reach));
    // No larger than the screen it starts on allows, nor smaller than the window may be.
    const QScreen *screen = QGuiApplication::screenAt(origin);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QSize available = screen ? screen->availableGeometry().size() : QSize(Reach, Reach);
    const QSize minimum = window->minimumSize();
    QRect frame(origin, QSize(std::clamp(record.WindowWidth, 0, available.width()),
                              std::clamp(record.WindowHeight, 0, available.height()))
                            .expandedTo(minimum));
    // A placement that lies on no screen is moved onto the primary one.
    if (!showsEnough(frame)) {
        if (QScreen *primary = QGuiApplication::primaryScreen())
            frame.moveTopLeft(primary->availableGeometry().topLeft());
    }
    if (!record.Maximized.isOn() && window->isMaximized())
        window->setWindowState(window->windowState() & ~Qt::WindowMaximized);
    // Qt places the outer frame with move() and sizes the client area with resize().
    const QSize decoration = window->frameGeometry().size() - window->geometry().size();
    window->move(frame.topLeft());
    window->resize(frame.size() - decoration);
    FrameSizeFixer::replace(window, decoration.isNull() ? &frame : nullptr);
    if (record.Maximized.isOn())
        window->setWindowState(window->windowState() | Qt::WindowMaximized);
}

void SettingsController::loadSettingsFile() {
    loadOptionsFile();
    QString problem;
    const std::optional<SettingsRecord> loaded = SettingsFile::load(settingsPath(), &problem);
    m_parts.record = loaded ? *loaded : m_parts.defaults;
    // The defaults are used; the user hears of it if saving fails as well.
    if (!problem.isEmpty())
        SessionController::logProblem(SafeFile::openFailure(settingsPath(), problem));
}

void SettingsController::saveSettingsFile() {
    saveOptionsFile();
    captureSettings(m_parts.record);
    QString problem;
    if (!SettingsFile::save(settingsPath(), m_parts.record, &problem))
        m_parts.session->tellSaveFailure(SafeFile::saveFailure(settingsPath(), problem));
}

void SettingsController::restoreSettings() {
    applyOptionFlags(m_parts.defaults);
    m_parts.comprehension->restoreOptions();
    for (const auto &[item, key] : ExtraOptions)
        (m_parts.actions.*item)->setChecked(false);
    m_parts.reading->ActBeginToCount();
}

// --- Menu opening rules ----------------------------------------------------------

void SettingsController::prepareSettingsMenu() {
    m_parts.actions.MnPause->setEnabled(m_parts.actions.MnReactOnSigns->isChecked());
}

void SettingsController::syncOptionsMenu() {
    const Actions &a = m_parts.actions;
    for (const auto &[popup, main] : {std::pair{a.PumDelMin, a.MnDelMin},
                                      {a.PumReadNonStop, a.MnReadNonStop},
                                      {a.PumReactOnFocus, a.MnReactOnFocus},
                                      {a.PumReactOnSigns, a.MnReactOnSigns},
                                      {a.PumCheckUnderstanding, a.MnCheckUnderstanding},
                                      {a.PumSpeedLadder, a.MnSpeedLadder},
                                      {a.PumLongWords, a.MnLongWords},
                                      {a.PumRampUp, a.MnRampUp},
                                      {a.PumFocusLetter, a.MnFocusLetter},
                                      {a.PumContextOnStop, a.MnContextOnStop}})
        popup->setChecked(main->isChecked());
}

void SettingsController::syncPauseMenu() {
    const Actions &a = m_parts.actions;
    for (const auto &[popup, main] : {std::pair{a.PumWithoutPause, a.MnWithoutPause},
                                      {a.PumShortPause, a.MnShortPause},
                                      {a.PumLongPause, a.MnLongPause},
                                      {a.PumSmartPause, a.MnSmartPause}})
        popup->setChecked(main->isChecked());
}

} // namespace zk
