#include "app/Application.h"
#include "app/DataFolder.h"
#include "app/MainWindow.h"
#include "app/SignalWatcher.h"
#include "app/SingleInstance.h"
#include "display/FullScreenWindow.h"

#include <QDir>
#include <QIcon>

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
    if (!instance.claim())
        return 0;

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
                     &zk::MainWindow::ActCloseExecute);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     &zk::MainWindow::ActCloseExecute, Qt::DirectConnection);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &window,
                     &zk::MainWindow::ActCloseExecute);
    if (watcher.pending()) {
        window.ActCloseExecute();
        return 0;
    }
    return app.exec();
}
