#include "app/MenuTable.h"

#include <QMenu>
#include <QMenuBar>

namespace zk {

namespace {

QAction *makeAction(const MenuItem &item, QWidget *owner)
{
    auto *action = new QAction(QString::fromUtf16(item.caption), owner);
    action->setObjectName(QString::fromLatin1(item.name));
    if (item.key != 0)
        action->setShortcut(QKeySequence(item.key));
    action->setCheckable(item.checkable);
    action->setChecked(item.checked);
    action->setVisible(!item.hidden);
    return action;
}

void build(QWidget *root, std::span<const MenuItem> items, QWidget *owner, bool isBar)
{
    // parents[d] is the widget that takes items of depth d.
    QList<QWidget *> parents{root};
    for (const MenuItem &item : items) {
        parents.resize(item.depth + 1);
        QWidget *parent = parents.at(item.depth);
        const QString caption = QString::fromUtf16(item.caption);
        if (caption == QLatin1String("-")) {
            auto *menu = qobject_cast<QMenu *>(parent);
            QAction *sep = menu ? menu->addSeparator() : nullptr;
            if (sep)
                sep->setObjectName(QString::fromLatin1(item.name));
            continue;
        }
        if (item.submenu) {
            auto *menu = new QMenu(caption, parent);
            menu->setObjectName(QString::fromLatin1(item.name));
            menu->menuAction()->setObjectName(QString::fromLatin1(item.name));
            menu->menuAction()->setVisible(!item.hidden);
            if (isBar && item.depth == 0)
                static_cast<QMenuBar *>(root)->addMenu(menu);
            else
                static_cast<QMenu *>(parent)->addMenu(menu);
            parents.append(menu);
            continue;
        }
        QAction *action = makeAction(item, owner);
        parent->addAction(action);
        parents.append(nullptr);
    }
}

} // namespace

void MenuBuilder::buildBar(QMenuBar *bar, std::span<const MenuItem> items, QWidget *owner)
{
    build(bar, items, owner, true);
}

void MenuBuilder::buildPopup(QMenu *menu, std::span<const MenuItem> items, QWidget *owner)
{
    build(menu, items, owner, false);
}

} // namespace zk
