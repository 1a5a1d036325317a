// The settings record: capture, apply, load, save and the two restore commands.
#include "app/MainWindow.h"

#include "app/RecordMapping.h"
#include "display/ControlStrip.h"
#include "display/DisplayPanel.h"
#include "display/FullScreenWindow.h"
#include "display/StatisticsBar.h"
#include "editor/EditorPanel.h"
#include "reading/Chunker.h"
#include "settings/SafeFile.h"
#include "settings/SettingsFile.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QMenu>
#include <QScreen>

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

void MainWindow::CaptureSettings(SettingsRecord &record) const {
    RecordMapping::FontToRecord(m_panel->displayFont(), m_panel->displayColor(), record.PanelFont);
    // What the editor text was last given, not what the shared font dialog holds
    // now: choosing a display font leaves the dialog with that font.
    RecordMapping::FontToRecord(m_editor->document()->defaultFont(),
                                m_editor->palette().color(QPalette::Text), record.EditFont);
    if (isMaximized()) {
        record.Maximized.set(true);
    } else {
        record.Maximized.set(false);
        const QRect frame = frameGeometry();
        if (positionsKnown()) {
            record.WindowTop = frame.top();
            record.WindowLeft = frame.left();
        }
        record.WindowWidth = frame.width();
        record.WindowHeight = frame.height();
    }
    for (const Option &o : OptionFlags)
        (record.*o.flag).set((m_actions.*o.item)->isChecked());
    if (RecordMapping::toColor(record.PanelColor) != m_panel->background())
        record.PanelColor = RecordMapping::fromColor(m_panel->background());
    const QColor editColor = m_editor->palette().color(QPalette::Base);
    if (RecordMapping::toColor(record.EditColor) != editColor)
        record.EditColor = RecordMapping::fromColor(editColor);
    for (const Option &o : ShowOptions)
        (record.*o.flag).set((m_actions.*o.item)->isChecked());
    record.SavedLine = m_engine.state().CurrentLine;
    record.Delay = static_cast<qint16>(m_strip->UpDown2->value());
    record.RowLength = static_cast<qint16>(m_strip->UpDown3->value());
    record.RowCount = static_cast<qint16>(m_strip->UpDown4->value());
}

void MainWindow::ApplyViewSettings(const SettingsRecord &record) {
    QColor color;
    const QFont panelFont = RecordMapping::RecordToFont(record.PanelFont, &color);
    applyDisplayFont(panelFont, color);
    m_fontdialog1 = RecordMapping::RecordToFont(record.EditFont, &m_editorTextColor);
    ActSetFont();
    const QColor panelColor = RecordMapping::toColor(record.PanelColor);
    m_panel->setBackground(panelColor);
    if (m_fullScreen)
        m_fullScreen->panel()->setBackground(panelColor);
    m_editor->setBackgroundColor(RecordMapping::toColor(record.EditColor));
    for (const Option &o : ShowOptions)
        (m_actions.*o.item)->setChecked((record.*o.flag).isOn());
    m_bar->setVisible(record.ShowTimeAndSpeed.isOn());
    m_bar->PnWords->setVisible(record.ShowSpeedInWords.isOn());
    m_bar->PnSigns->setVisible(record.ShowSpeedInSigns.isOn());
    m_bar->PnWork->setVisible(record.ShowTimeOfWork.isOn());
    m_bar->PnReading->setVisible(record.ShowTimeOfReading.isOn());
    m_bar->relayout();
    ActCheckLines();
}

void MainWindow::ApplyOptionFlags(const SettingsRecord &record) {
    for (const Option &o : OptionFlags)
        (m_actions.*o.item)->setChecked((record.*o.flag).isOn());
    ActCheckLines();
}

void MainWindow::ApplyReadingSettings(const SettingsRecord &record) {
    ReadingState &s = m_engine.state();
    const int lines = m_editor->lineCount();
    const int saved = std::max(0, record.SavedLine);
    if (lines > 0 && !m_editor->isBlank()) {
        setProgressValue(std::min(99, Chunker::progressOf(saved, lines)));
        s.CurrentLine = saved;
    } else {
        s.CurrentLine = 0;
        setProgressValue(0);
    }
    // The spinners' own limits keep a damaged record harmless.
    m_strip->UpDown2->setValue(record.Delay);
    m_strip->UpDown3->setValue(record.RowLength);
    m_strip->UpDown4->setValue(record.RowCount);
}

void MainWindow::ApplyWindowPlacement(const SettingsRecord &record) {
    // Beyond any desktop, yet far from overflowing when edges are summed.
    constexpr int Reach = 1 << 20;
    const QPoint origin(std::clamp(record.WindowLeft, -Reach, Reach),
                        std::clamp(record.WindowTop, -Reach, Reach));
    // No larger than the screen it starts on allows, nor smaller than the window may be.
    const QScreen *screen = QGuiApplication::screenAt(origin);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QSize available = screen ? screen->availableGeometry().size() : QSize(Reach, Reach);
    const QSize minimum = minimumSize();
    QRect frame(origin, QSize(std::clamp(record.WindowWidth, 0, available.width()),
                              std::clamp(record.WindowHeight, 0, available.height()))
                            .expandedTo(minimum));
    // A placement that lies on no screen is moved onto the primary one.
    if (!showsEnough(frame)) {
        if (QScreen *primary = QGuiApplication::primaryScreen())
            frame.moveTopLeft(primary->availableGeometry().topLeft());
    }
    if (!record.Maximized.isOn() && isMaximized())
        setWindowState(windowState() & ~Qt::WindowMaximized);
    // Qt places the outer frame with move() and sizes the client area with resize().
    const QSize decoration = frameGeometry().size() - geometry().size();
    move(frame.topLeft());
    resize(frame.size() - decoration);
    FrameSizeFixer::replace(this, decoration.isNull() ? &frame : nullptr);
    if (record.Maximized.isOn())
        setWindowState(windowState() | Qt::WindowMaximized);
}

void MainWindow::LoadSettingsFile() {
    QString problem;
    const std::optional<SettingsRecord> loaded = SettingsFile::load(settingsPath(), &problem);
    m_record = loaded ? *loaded : m_defaults;
    // The defaults are used; the user hears of it if saving fails as well.
    if (!problem.isEmpty())
        logProblem(SafeFile::openFailure(settingsPath(), problem));
}

void MainWindow::SaveSettingsFile() {
    CaptureSettings(m_record);
    QString problem;
    if (!SettingsFile::save(settingsPath(), m_record, &problem))
        tellSaveFailure(SafeFile::saveFailure(settingsPath(), problem));
}

void MainWindow::N28Click() {
    ApplyOptionFlags(m_defaults);
    ActBeginToCount();
}

void MainWindow::MnSetViewClick() {
    eventPump(Qt::WaitCursor);
    ApplyViewSettings(m_defaults);
    LayoutMainRows();
    LayoutFullScreenRows();
    actmaxlength1();
    ActBeginToCount();
    eventPump(Qt::ArrowCursor);
}

// --- Statistics bar options ---------------------------------------------------

void MainWindow::MnShowTimeAndSpeedClick() {
    // The checkable item has already flipped itself when this runs.
    m_bar->setVisible(m_actions.MnShowTimeAndSpeed->isChecked());
    if (centralWidget()->layout())
        centralWidget()->layout()->activate();
    ActCheckLines();
    LayoutMainRows();
}

// The bar shows one of each pair of panels; the main-menu items say which.
void MainWindow::chooseBarPanel(QAction *onItem, QAction *offItem, QWidget *show, QWidget *hide) {
    onItem->setChecked(true);
    offItem->setChecked(false);
    show->show();
    hide->hide();
    m_bar->relayout();
}

void MainWindow::MnShowTimeOfReadingClick() {
    chooseBarPanel(m_actions.MnShowTimeOfReading, m_actions.MnShowTimeOfWork, m_bar->PnReading,
                   m_bar->PnWork);
}

void MainWindow::MnShowTimeOfWorkClick() {
    chooseBarPanel(m_actions.MnShowTimeOfWork, m_actions.MnShowTimeOfReading, m_bar->PnWork,
                   m_bar->PnReading);
}

void MainWindow::MnShowSpeedInSignsClick() {
    chooseBarPanel(m_actions.MnShowSpeedInSigns, m_actions.MnShowSpeedInWords, m_bar->PnSigns,
                   m_bar->PnWords);
}

void MainWindow::MnShowSpeedInWordsClick() {
    chooseBarPanel(m_actions.MnShowSpeedInWords, m_actions.MnShowSpeedInSigns, m_bar->PnWords,
                   m_bar->PnSigns);
}

void MainWindow::PopupMenu3Popup() {
    const Actions &a = m_actions;
    for (const auto &[popup, main] : {std::pair{a.PumShowTimeOfReading, a.MnShowTimeOfReading},
                                      {a.PumShowTimeOfWork, a.MnShowTimeOfWork},
                                      {a.PumShowTimeAndSpeed, a.MnShowTimeAndSpeed},
                                      {a.PumShowSpeedInSigns, a.MnShowSpeedInSigns},
                                      {a.PumShowSpeedInWords, a.MnShowSpeedInWords}})
        popup->setChecked(main->isChecked());
}

} // namespace zk
