#include "app/MenuTable.h"

#include <QMenu>
#include <QMenuBar>
#include <QShortcutEvent>
#include <QStyleOptionMenuItem>

namespace zk {

namespace {

// Qt's menu bar grabs the accelerators of hidden items too, so "&Показать редактор"
// and the hidden "С&прятать редактор" would share Alt+П, every other press going to
// the hidden one. The visible item takes the key.
class BarAccelerators final : public QObject {
    Q_DISABLE_COPY_MOVE(BarAccelerators)
public:
    explicit BarAccelerators(QMenuBar *bar) : QObject(bar), m_bar(bar) {
        bar->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (watched != m_bar || event->type() != QEvent::Shortcut)
            return false;
        const auto *shortcut = static_cast<QShortcutEvent *>(event);
        if (!shortcut->isAmbiguous())
            return false;
        QAction *target = nullptr;
        for (QAction *a : m_bar->actions()) {
            if (!a->isVisible() || QKeySequence::mnemonic(a->text()) != shortcut->key())
                continue;
            if (target)
                return false; // two visible items: Qt's own cycling
            target = a;
        }
        if (target && target->isEnabled()) {
            if (target->menu())
                m_bar->setActiveAction(target);
            else
                target->trigger();
        }
        return true;
    }

private:
    QMenuBar *m_bar;
};

// Items of an action group are one choice among several and show radio marks. The groups
// enforce nothing: a stored record may hold two pause flags, and both stay checked.
class ChoiceMenu final : public QMenu {
public:
    using QMenu::QMenu;

protected:
    void initStyleOption(QStyleOptionMenuItem *option, const QAction *action) const override {
        QMenu::initStyleOption(option, action);
        if (action->actionGroup() && option->checkType == QStyleOptionMenuItem::NonExclusive)
            option->checkType = QStyleOptionMenuItem::Exclusive;
    }
};

QAction *makeAction(const MenuItem &item, QWidget *owner) {
    auto *action = new QAction(QString::fromUtf16(item.caption), owner);
    action->setObjectName(QString::fromLatin1(item.name));
    if (item.key != 0)
        action->setShortcut(QKeySequence(item.key));
    action->setCheckable(item.checkable);
    action->setChecked(item.checked);
    action->setVisible(!item.hidden);
    return action;
}

void build(QWidget *root, std::span<const MenuItem> items, QWidget *owner, bool isBar,
           Actions &actions) {
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
            QMenu *menu = MenuBuilder::makeMenu(parent);
            menu->setTitle(caption);
            menu->setObjectName(QString::fromLatin1(item.name));
            menu->menuAction()->setObjectName(QString::fromLatin1(item.name));
            menu->menuAction()->setVisible(!item.hidden);
            actions.*item.action = menu->menuAction();
            if (isBar && item.depth == 0)
                static_cast<QMenuBar *>(root)->addMenu(menu);
            else
                static_cast<QMenu *>(parent)->addMenu(menu);
            parents.append(menu);
            continue;
        }
        QAction *action = makeAction(item, owner);
        actions.*item.action = action;
        parent->addAction(action);
        parents.append(nullptr);
    }
}

} // namespace

QMenu *MenuBuilder::makeMenu(QWidget *parent) {
    return new ChoiceMenu(parent);
}

void MenuBuilder::buildBar(QMenuBar *bar, std::span<const MenuItem> items, QWidget *owner,
                           Actions &actions) {
    build(bar, items, owner, true, actions);
    new BarAccelerators(bar);
}

void MenuBuilder::buildPopupMenu(QMenu *menu, std::span<const MenuItem> items, QWidget *owner,
                                 Actions &actions) {
    build(menu, items, owner, false, actions);
}

void MenuBuilder::buildCommands(std::span<const CommandItem> items, QWidget *owner,
                                Actions &actions) {
    for (const CommandItem &item : items) {
        auto *action = new QAction(owner);
        action->setObjectName(QString::fromLatin1(item.name));
        actions.*item.action = action;
    }
}

} // namespace zk
