// The settings record: capture, apply, load, save and the two restore commands.
#include "app/MainWindow.h"

#include "app/RecordMapping.h"
#include "display/ControlStrip.h"
#include "display/DisplayPanel.h"
#include "display/FullScreenWindow.h"
#include "display/StatisticsBar.h"
#include "editor/EditorPanel.h"
#include "reading/Chunker.h"
#include "settings/SettingsFile.h"

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QLayout>
#include <QScreen>

namespace zk {

namespace {

const char *const OptionNames[] = {"MnReactOnSigns", "MnDelMin",     "MnReadNonStop",
                                   "MnReactOnFocus", "MnWithoutPause", "MnShortPause",
                                   "MnLongPause",    "MnSmartPause", "MnRemAll"};

std::array<RecordFlag *, 9> optionFlags(SettingsRecord &r)
{
    return {&r.ReactOnSigns, &r.DelMin,    &r.ReadNonStop, &r.ReactOnFocus, &r.WithoutPause,
            &r.ShortPause,   &r.LongPause, &r.SmartPause,  &r.RemAll};
}

struct ShowOption {
    const char *name;
    RecordFlag SettingsRecord::*flag;
};

const ShowOption ShowOptions[] = {
    {"MnShowPicture", &SettingsRecord::ShowPicture},
    {"MnShowTimeAndSpeed", &SettingsRecord::ShowTimeAndSpeed},
    {"MnShowTimeOfReading", &SettingsRecord::ShowTimeOfReading},
    {"MnShowTimeOfWork", &SettingsRecord::ShowTimeOfWork},
    {"MnShowSpeedInWords", &SettingsRecord::ShowSpeedInWords},
    {"MnShowSpeedInSigns", &SettingsRecord::ShowSpeedInSigns},
};

} // namespace

void MainWindow::CaptureSettings(SettingsRecord &record) const
{
    RecordMapping::FontToRecord(m_panel->displayFont(), m_panel->displayColor(), record.PanelFont);
    RecordMapping::FontToRecord(m_fontdialog1, m_editorTextColor, record.EditFont);
    if (isMaximized()) {
        record.Maximized.set(true);
    } else {
        record.Maximized.set(false);
        const QRect frame = frameGeometry();
        record.WindowTop = frame.top();
        record.WindowLeft = frame.left();
        record.WindowWidth = frame.width();
        record.WindowHeight = frame.height();
    }
    auto flags = optionFlags(record);
    for (int i = 0; i < 9; ++i)
        flags[i]->set(checked(OptionNames[i]));
    if (RecordMapping::toColor(record.PanelColor) != m_panel->background())
        record.PanelColor = RecordMapping::fromColor(m_panel->background());
    const QColor editColor = m_editor->palette().color(QPalette::Base);
    if (RecordMapping::toColor(record.EditColor) != editColor)
        record.EditColor = RecordMapping::fromColor(editColor);
    for (const ShowOption &o : ShowOptions)
        (record.*o.flag).set(checked(o.name));
    record.SavedLine = m_engine.state().CurrentLine;
    record.Delay = static_cast<qint16>(m_strip->UpDown2->value());
    record.RowLength = static_cast<qint16>(m_strip->UpDown3->value());
    record.RowCount = static_cast<qint16>(m_strip->UpDown4->value());
}

void MainWindow::ApplyViewSettings(const SettingsRecord &record)
{
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
    for (const ShowOption &o : ShowOptions)
        action(o.name)->setChecked((record.*o.flag).isOn());
    m_bar->setVisible(record.ShowTimeAndSpeed.isOn());
    m_bar->PnWords->setVisible(record.ShowSpeedInWords.isOn());
    m_bar->PnSigns->setVisible(record.ShowSpeedInSigns.isOn());
    m_bar->PnWork->setVisible(record.ShowTimeOfWork.isOn());
    m_bar->PnReading->setVisible(record.ShowTimeOfReading.isOn());
    m_bar->relayout();
    ActCheckLines();
}

void MainWindow::ApplyOptionFlags(const SettingsRecord &record)
{
    SettingsRecord copy = record;
    auto flags = optionFlags(copy);
    for (int i = 0; i < 9; ++i)
        action(OptionNames[i])->setChecked(flags[i]->isOn());
    ActCheckLines();
}

void MainWindow::ApplyReadingSettings(const SettingsRecord &record)
{
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

void MainWindow::ApplyWindowPlacement(const SettingsRecord &record)
{
    QRect frame(record.WindowLeft, record.WindowTop, std::max(record.WindowWidth, 1),
                std::max(record.WindowHeight, 1));
    const QSize minimum = minimumSize();
    frame.setWidth(std::clamp(frame.width(), minimum.width(), 16384));
    frame.setHeight(std::clamp(frame.height(), minimum.height(), 16384));
    // A placement that lies on no screen is moved onto the primary one.
    bool onScreen = false;
    for (QScreen *screen : QGuiApplication::screens())
        onScreen = onScreen || screen->availableGeometry().intersects(frame);
    if (!onScreen) {
        if (QScreen *primary = QGuiApplication::primaryScreen())
            frame.moveTopLeft(primary->availableGeometry().topLeft());
    }
    // Qt places the outer frame with move() and sizes the client area with resize().
    const QSize decoration = frameGeometry().size() - geometry().size();
    move(frame.topLeft());
    resize(frame.size() - decoration);
    if (record.Maximized.isOn())
        setWindowState(windowState() | Qt::WindowMaximized);
}

void MainWindow::LoadSettingsFile()
{
    const std::optional<SettingsRecord> loaded = SettingsFile::load(settingsPath());
    m_record = loaded ? *loaded : m_defaults;
}

void MainWindow::SaveSettingsFile()
{
    CaptureSettings(m_record);
    SettingsFile::save(settingsPath(), m_record);
}

void MainWindow::N28Click()
{
    ApplyOptionFlags(m_defaults);
    ActBeginToCount();
}

void MainWindow::MnSetViewClick()
{
    eventPump(Qt::WaitCursor);
    ApplyViewSettings(m_defaults);
    LayoutMainRows();
    LayoutFullScreenRows();
    actmaxlength1();
    ActBeginToCount();
    eventPump(Qt::ArrowCursor);
}

// --- Statistics bar options ---------------------------------------------------

void MainWindow::MnShowTimeAndSpeedClick()
{
    // The checkable item has already flipped itself when this runs.
    m_bar->setVisible(checked("MnShowTimeAndSpeed"));
    if (centralWidget()->layout())
        centralWidget()->layout()->activate();
    ActCheckLines();
    LayoutMainRows();
}

void MainWindow::MnShowTimeOfReadingClick()
{
    action("MnShowTimeOfReading")->setChecked(true);
    action("MnShowTimeOfWork")->setChecked(false);
    m_bar->PnReading->show();
    m_bar->PnWork->hide();
    m_bar->relayout();
}

void MainWindow::MnShowTimeOfWorkClick()
{
    action("MnShowTimeOfReading")->setChecked(false);
    action("MnShowTimeOfWork")->setChecked(true);
    m_bar->PnReading->hide();
    m_bar->PnWork->show();
    m_bar->relayout();
}

void MainWindow::MnShowSpeedInSignsClick()
{
    action("MnShowSpeedInSigns")->setChecked(true);
    action("MnShowSpeedInWords")->setChecked(false);
    m_bar->PnSigns->show();
    m_bar->PnWords->hide();
    m_bar->relayout();
}

void MainWindow::MnShowSpeedInWordsClick()
{
    action("MnShowSpeedInSigns")->setChecked(false);
    action("MnShowSpeedInWords")->setChecked(true);
    m_bar->PnSigns->hide();
    m_bar->PnWords->show();
    m_bar->relayout();
}

void MainWindow::PopupMenu3Popup()
{
    const struct {
        const char *pum;
        const char *mn;
    } pairs[] = {{"PumShowTimeOfReading", "MnShowTimeOfReading"},
                 {"PumShowTimeOfWork", "MnShowTimeOfWork"},
                 {"PumShowTimeAndSpeed", "MnShowTimeAndSpeed"},
                 {"PumShowSpeedInSigns", "MnShowSpeedInSigns"},
                 {"PumShowSpeedInWords", "MnShowSpeedInWords"}};
    for (const auto &p : pairs)
        action(p.pum)->setChecked(checked(p.mn));
}

} // namespace zk
