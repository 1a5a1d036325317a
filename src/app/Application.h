#pragma once

#include <QApplication>
#include <QTranslator>

namespace zk {

// The program's application object: a failure escaping a handler is reported in
// one line and the program carries on.
class Application final : public QApplication {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Application)
public:
    Application(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;

    // The names the program goes by. No display name: Qt would append it to
    // every window title that does not end in it.
    static void setIdentity();

private:
    // Qt's own dialogs and buttons ("Cancel", "Open") speak Russian, as the program does.
    QTranslator m_qtTranslator;
};

} // namespace zk
