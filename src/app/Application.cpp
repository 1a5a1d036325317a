#include "app/Application.h"

#include <cstdio>
#include <exception>

namespace zk {

Application::Application(int &argc, char **argv) : QApplication(argc, argv) {
    setIdentity();
    setQuitOnLastWindowClosed(false);
}

void Application::setIdentity() {
    setApplicationName(QStringLiteral("zorkan"));
    setOrganizationName(QStringLiteral("zorkan"));
}

bool Application::notify(QObject *receiver, QEvent *event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "zorkan: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "zorkan: unexpected failure in an event handler\n");
    }
    return false;
}

} // namespace zk
