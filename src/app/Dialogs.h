#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

namespace zk {

struct FontChoice {
    QFont font;
    QColor color;
};

// The program's dialogs, behind one seam so tests can answer them.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual std::optional<FontChoice> chooseFont(QWidget *parent, const FontChoice &initial) = 0;
    virtual std::optional<QColor> chooseColor(QWidget *parent, const QColor &initial) = 0;
    // Empty when cancelled.
    virtual QString openFile(QWidget *parent, const QString &folder, const QString &filter) = 0;
    virtual QString saveFile(QWidget *parent, const QString &folder, const QString &filter) = 0;
    virtual void message(QWidget *parent, const QString &text) = 0;
    // True for yes; a dialog nobody answers says no.
    virtual bool question(QWidget *, const QString &) { return false; }
    // The index of the chosen item, the first one offered; nullopt when cancelled, and so a
    // dialog nobody answers: taking an item the user never picked would be a guess.
    virtual std::optional<int> chooseItem(QWidget *, const QString & /*title*/,
                                          const QString & /*label*/, const QStringList &) {
        return std::nullopt;
    }
};

// Qt's own dialogs, never native, parented to the window that is shown.
class QtDialogs final : public Dialogs {
public:
    std::optional<FontChoice> chooseFont(QWidget *parent, const FontChoice &initial) override;
    std::optional<QColor> chooseColor(QWidget *parent, const QColor &initial) override;
    QString openFile(QWidget *parent, const QString &folder, const QString &filter) override;
    QString saveFile(QWidget *parent, const QString &folder, const QString &filter) override;
    void message(QWidget *parent, const QString &text) override;
    bool question(QWidget *parent, const QString &text) override;
    std::optional<int> chooseItem(QWidget *parent, const QString &title, const QString &label,
                                  const QStringList &items) override;

    static constexpr int MaxPointSize = 72;
};

} // namespace zk
