#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/DataFolder.h"
#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "app/SignalWatcher.h"
#include "app/SingleInstance.h"
#include "display/FullScreenWindow.h"

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
    zk::CommandLine commandLine(argc, argv);
    // Before Qt: an answer on the terminal needs neither a display nor the running instance.
    if (const QString answer = commandLine.terminalAnswer(QStringLiteral(ZK_VERSION));
        !answer.isEmpty()) {
        std::fputs(answer.toUtf8().constData(), stdout);
        return 0;
    }
    zk::Application app(commandLine.qtArgc(), commandLine.qtArgv());
    // Installed first, so a termination during start-up still stores the text.
    zk::SignalWatcher watcher;
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &watcher,
                     &zk::SignalWatcher::request, Qt::DirectConnection);

    QIcon icon;
    for (const char *size : {"32", "64", "256"})
        icon.addFile(QStringLiteral(":/icons/zorkan-%1.png").arg(QLatin1String(size)));
    app.setWindowIcon(icon);

    // A second instance hands its file to the first, brings it forward and ends without
    // touching a file of its own.
    const QByteArrayList args = commandLine.arguments();
    const QByteArray launchFolder = zk::DataFolder::currentFolder();
    QByteArray handed;
    if (!args.isEmpty() && !args.first().isEmpty())
        handed = args.first().startsWith('/') ? args.first() : launchFolder + '/' + args.first();
    zk::SingleInstance instance(qEnvironmentVariable("ZK_INSTANCE_NAME"));
    const zk::SingleInstance::Claim claim = instance.claim(handed);
    if (claim == zk::SingleInstance::Claim::Running)
        return 0;
    if (claim == zk::SingleInstance::Claim::Failed)
        return tellStartFailure(instance.problem(), watcher);

    zk::StartupOptions options;
    options.dataFolder = zk::DataFolder::choose(QCoreApplication::applicationDirPath());
    options.termination = &watcher;
    std::optional<QTemporaryDir> argumentLinks;
    if (!args.isEmpty())
        options.commandLineFile =
            zk::DataFolder::resolveArgument(args.first(), launchFolder, argumentLinks);

    zk::MainWindow window(options);
    // A later start's file: its name as the system's bytes, made readable as the command line's.
    QObject::connect(&instance, &zk::SingleInstance::fileHanded, &window,
                     [&window, &argumentLinks](const QByteArray &path) {
                         window.openHandedFile(
                             zk::DataFolder::resolveArgument(path, "/", argumentLinks));
                     });
    QObject::connect(&instance, &zk::SingleInstance::raiseRequested, &window, [&window] {
        QWidget *shown = window.isVisible() ? static_cast<QWidget *>(&window)
                                            : static_cast<QWidget *>(window.fullScreenWindow());
        if (!shown)
            return;
        shown->raise();
        shown->activateWindow();
    });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &window, &zk::MainWindow::shutDown);
    window.show();
    window.createFullScreenWindow();
    // A termination that came during start-up has shut down already.
    if (window.isShutDown())
        return 0;
    return app.exec();
}
