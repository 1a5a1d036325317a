#include "app/Application.h"
#include "app/DataFolder.h"
#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "app/SignalWatcher.h"
#include "app/SingleInstance.h"
#include "display/FullScreenWindow.h"

#include <QDir>
#include <QIcon>

#include <cstdio>

namespace {

// Shown rather than ending in silence; a termination closes the box.
int tellStartFailure(const QString &problem, zk::SignalWatcher &watcher) {
    const QString text = QStringLiteral("Не удалось запустить Зоркан: %1.").arg(problem);
    std::fprintf(stderr, "zorkan: %s\n", text.toLocal8Bit().constData());
    QObject::connect(&watcher, &zk::SignalWatcher::terminationRequested, qApp,
                     [] { QCoreApplication::exit(1); });
    if (!watcher.pending())
        zk::QtDialogs().message(nullptr, text);
    return 1;
}

} // namespace

int main(int argc, char **argv) {
    zk::Application app(argc, argv);
    // Installed first, so a termination during start-up still stores the text.
    zk::SignalWatcher watcher;

    QIcon icon;
    for (const char *size : {"32", "64", "256"})
        icon.addFile(QStringLiteral(":/icons/zorkan-%1.png").arg(QLatin1String(size)));
    app.setWindowIcon(icon);

    // A second instance brings the first forward and ends without touching a file.
    zk::SingleInstance instance(qEnvironmentVariable("ZK_INSTANCE_NAME"));
    const zk::SingleInstance::Claim claim = instance.claim();
    if (claim == zk::SingleInstance::Claim::Running)
        return 0;
    if (claim == zk::SingleInstance::Claim::Failed)
        return tellStartFailure(instance.problem(), watcher);

    const QString launchFolder = QDir::currentPath();
    zk::StartupOptions options;
    options.dataFolder = zk::DataFolder::choose(QCoreApplication::applicationDirPath());
    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 1)
        options.commandLineFile = zk::DataFolder::resolveArgument(args.at(1), launchFolder);

    zk::MainWindow window(options);
    window.show();
    window.createFullScreenWindow();

    QObject::connect(&instance, &zk::SingleInstance::raiseRequested, &window, [&window] {
        QWidget *shown = window.isVisible() ? static_cast<QWidget *>(&window)
                                            : static_cast<QWidget *>(window.fullScreenWindow());
        if (!shown)
            return;
        shown->raise();
        shown->activateWindow();
    });
    QObject::connect(&watcher, &zk::SignalWatcher::terminationRequested, &window,
                     &zk::MainWindow::shutDownUnattended);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     &zk::MainWindow::shutDownUnattended, Qt::DirectConnection);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &window,
                     &zk::MainWindow::ActCloseExecute);
    if (watcher.pending()) {
        window.shutDownUnattended();
        return 0;
    }
    return app.exec();
}
