#pragma once

class QWidget;

namespace zk {

class DisplayPanel;
struct WindowParts;

// Russian names and descriptions for screen readers. Qt alone would say "spin button 140" or
// read the measuring row's digits; these say what each control is and holds.
namespace accessibility {

// The interfaces of our own: the display without its measuring row, rows and statistics that
// say what they show, the journal as a window. Once per program; later calls do nothing.
void install();

// The main window's strip, display, rows and statistics bar. The spinners' names follow their
// values ("Задержка, 140 миллисекунд").
void describeMainWindow(const WindowParts &parts);
// The full-screen window's display, rows and its F3 corner.
void describeFullScreen(QWidget *window, DisplayPanel *panel);
// The journal window's charts, tables and buttons.
void describeJournal(QWidget *window);

} // namespace accessibility
} // namespace zk
