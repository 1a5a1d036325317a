#pragma once

#include <QDialog>
#include <QObject>
#include <QPointer>

namespace zk {

struct WindowParts;

// The about box and the help window: both suspend reading while open.
class HelpController final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HelpController)
public:
    explicit HelpController(WindowParts &parts);

    void showAbout();
    void showHelp();
    // Where the help text is: beside the data, among the installed files, or nowhere.
    QString helpFile() const;

private:
    WindowParts &m_parts;
    QPointer<QDialog> m_aboutBox;
    QPointer<QDialog> m_helpWindow;
};

} // namespace zk
