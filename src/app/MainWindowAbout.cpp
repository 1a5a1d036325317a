// The about box and the help window: both suspend reading while open.
#include "app/MainWindow.h"

#include "app/AboutBox.h"
#include "app/HelpWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace zk {

QString MainWindow::helpFile() const {
    const QString name = QStringLiteral("Readme.rtf");
    const QString beside = QDir(m_options.dataFolder).filePath(name);
    if (QFile::exists(beside))
        return beside;
    // An installed program keeps its help among its shared data files.
    const QString installed = QDir(QCoreApplication::applicationDirPath())
                                  .filePath(QStringLiteral("../share/zorkan/") + name);
    if (QFile::exists(installed))
        return QDir::cleanPath(installed);
    return QStandardPaths::locate(QStandardPaths::AppDataLocation, name);
}

void MainWindow::N5Click() {
    auto *box = new AboutBox(dialogParent());
    m_aboutBox = box;
    suspend();
    box->exec();
    resumeIfReading(true);
}

void MainWindow::ActHelpExecute() {
    if (!QDir::setCurrent(m_options.dataFolder))
        return;
    if (m_helpWindow && m_helpWindow->isVisible())
        return;
    const QString path = helpFile();
    if (path.isEmpty())
        return;
    auto *help = new HelpWindow(dialogParent());
    if (!help->loadRtf(path)) {
        help->deleteLater();
        return;
    }
    m_helpWindow = help;
    suspend();
    help->exec();
    resumeIfReading(true);
}

} // namespace zk
