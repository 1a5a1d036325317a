#pragma once

#include "app/Actions.h"

#include <QKeySequence>
#include <QString>

#include <span>

class QMenu;
class QMenuBar;
class QAction;
class QWidget;

namespace zk {

// One menu item as the menu tables give it. Depth 0 items sit on the bar (or at
// the top of a pop-up), deeper items in the submenu opened above them.
struct MenuItem {
    int depth;
    const char *name;
    QAction *Actions::*action; // where the built action goes; none for a separator
    const char16_t *caption;   // "-" is a separator
    int key = 0;
    bool checkable = false;
    bool checked = false;
    bool hidden = false;
    bool submenu = false;
};

// An action that no menu shows.
struct CommandItem {
    const char *name;
    QAction *Actions::*action;
};

// Builds menus from a table; every action and submenu carries its item's name and
// is put in its place in `actions`.
class MenuBuilder final {
public:
    // A menu that shows the items of an action group with radio marks.
    static QMenu *makeMenu(QWidget *parent);
    static void buildBar(QMenuBar *bar, std::span<const MenuItem> items, QWidget *owner,
                         Actions &actions);
    static void buildPopupMenu(QMenu *menu, std::span<const MenuItem> items, QWidget *owner,
                               Actions &actions);
    static void buildCommands(std::span<const CommandItem> items, QWidget *owner, Actions &actions);
};

} // namespace zk
