#include "app/Application.h"

#include <QLibraryInfo>

#include <cstdio>
#include <exception>

namespace zk {

Application::Application(int &argc, char **argv) : QApplication(argc, argv) {
    setIdentity();
    setQuitOnLastWindowClosed(false);
    // Without the package Qt stays in English; nothing else depends on it.
    if (m_qtTranslator.load(QStringLiteral("qt_ru"),
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(&m_qtTranslator);
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
