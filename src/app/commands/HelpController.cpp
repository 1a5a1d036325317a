#include "app/commands/HelpController.h"

#include "app/AboutBox.h"
#include "app/HelpWindow.h"
#include "app/commands/ReadingController.h"
#include "app/commands/WindowParts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace zk {

HelpController::HelpController(WindowParts &parts) : m_parts(parts) {}

QString HelpController::helpFile() const {
    const QString name = QStringLiteral("Readme.rtf");
    const QString beside = QDir(m_parts.options.dataFolder).filePath(name);
    if (QFile::exists(beside))
        return beside;
    // An installed program keeps its help among its shared data files.
    const QString installed = QDir(QCoreApplication::applicationDirPath())
                                  .filePath(QStringLiteral("../share/zorkan/") + name);
    if (QFile::exists(installed))
        return QDir::cleanPath(installed);
    return QStandardPaths::locate(QStandardPaths::AppDataLocation, name);
}

void HelpController::showAbout() {
    auto *box = new AboutBox(m_parts.dialogParent());
    box->setHelpAvailable(!helpFile().isEmpty());
    m_aboutBox = box;
    m_parts.reading->suspend();
    box->exec();
    m_parts.reading->resumeIfReading(true);
    if (box->helpAsked())
        showHelp();
}

void HelpController::showHelp() {
    if (!QDir::setCurrent(m_parts.options.dataFolder))
        return;
    if (m_helpWindow && m_helpWindow->isVisible())
        return;
    const QString path = helpFile();
    if (path.isEmpty())
        return;
    auto *help = new HelpWindow(m_parts.dialogParent());
    if (!help->loadRtf(path)) {
        help->deleteLater();
        return;
    }
    m_helpWindow = help;
    m_parts.reading->suspend();
    help->exec();
    m_parts.reading->resumeIfReading(true);
}

} // namespace zk
