#include "formats/LibreOfficeConverter.h"
#include "formats/OdtReader.h"
#include "formats/ReadBudget.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>

#include <csignal>
#include <sys/types.h>
#include <unistd.h>

namespace zk {

namespace {

constexpr int kPumpIntervalMs = 50;

// soffice hands the work to child processes; its own process group lets a
// kill reach all of them.
void killProcessGroup(QProcess &process) {
    const qint64 pid = process.processId();
    if (pid > 0)
        ::kill(-static_cast<pid_t>(pid), SIGKILL);
    process.kill();
    process.waitForFinished(-1);
}

// A plain ASCII name keeps the command line free of characters the converter
// might take for options or decode by the wrong locale.
QString sourceCopyName(const QFileInfo &source) {
    const QString suffix = source.suffix();
    const bool plain = !suffix.isEmpty() && suffix.size() <= 10 &&
                       std::all_of(suffix.begin(), suffix.end(), [](QChar c) {
                           return c.unicode() < 0x80 && c.isLetterOrNumber();
                       });
    return plain ? QStringLiteral("document.") + suffix : QStringLiteral("document");
}

} // namespace

LibreOfficeConverter::LibreOfficeConverter(QString program, std::chrono::milliseconds timeLimit,
                                           Pump pump)
    : m_program(std::move(program)), m_timeLimit(timeLimit), m_pump(std::move(pump)) {}

ConversionResult LibreOfficeConverter::convertFile(const QString &path,
                                                   const ConversionProgress &progress) {
    using Failure = ConversionResult::Failure;
    const QFileInfo source(path);
    if (!source.isFile())
        return ConversionResult::failure(Failure::Unreadable);
    // Before the copy, which would block the window for as long as it takes.
    if (!ReadBudget().affords(source.size()))
        return ConversionResult::failure(Failure::TooLarge);
    // Removed with all it holds, LibreOffice's own temporary files among them.
    QTemporaryDir work;
    if (!work.isValid())
        return ConversionResult::failure(Failure::ConversionFailed);
    const QString input = work.filePath(sourceCopyName(source));
    const QString outDir = work.filePath(QStringLiteral("out"));
    const QString profile = work.filePath(QStringLiteral("profile"));
    const QString temp = work.filePath(QStringLiteral("tmp"));
    if (!QFile::copy(source.absoluteFilePath(), input))
        return ConversionResult::failure(Failure::Unreadable);
    if (!QDir().mkpath(outDir) || !QDir().mkpath(temp))
        return ConversionResult::failure(Failure::ConversionFailed);

    // fileopen, filesaveas and fileclose happen in this one run.
    QProcess soffice;
    soffice.setProgram(m_program);
    soffice.setArguments({
        QStringLiteral("--headless"),
        QStringLiteral("--norestore"),
        QStringLiteral("-env:UserInstallation=") +
            QUrl::fromLocalFile(profile).toString(QUrl::FullyEncoded),
        QStringLiteral("--convert-to"),
        QStringLiteral("odt"),
        QStringLiteral("--outdir"),
        outDir,
        input,
    });
    soffice.setWorkingDirectory(work.path());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TMPDIR"), temp);
    soffice.setProcessEnvironment(environment);
    soffice.setStandardInputFile(QProcess::nullDevice());
    soffice.setProcessChannelMode(QProcess::MergedChannels);
    soffice.setChildProcessModifier([] { ::setpgid(0, 0); });
    soffice.start();
    if (!soffice.waitForStarted())
        return ConversionResult::failure(Failure::ConverterMissing);

    const QDeadlineTimer deadline(m_timeLimit);
    while (soffice.state() != QProcess::NotRunning) {
        const qint64 left = deadline.remainingTime();
        if (left <= 0) {
            killProcessGroup(soffice);
            return ConversionResult::failure(Failure::TimedOut);
        }
        if (soffice.waitForFinished(static_cast<int>(std::min<qint64>(left, kPumpIntervalMs))))
            break;
        if ((m_pump && !m_pump()) || !progress.proceed()) {
            killProcessGroup(soffice);
            return ConversionResult::failure(ConversionResult::Failure::Cancelled);
        }
    }
    if (soffice.exitStatus() != QProcess::NormalExit || soffice.exitCode() != 0)
        return ConversionResult::failure(Failure::ConversionFailed);

    const QString output =
        QDir(outDir).filePath(QFileInfo(input).completeBaseName() + QStringLiteral(".odt"));
    if (!QFileInfo::exists(output))
        return ConversionResult::failure(Failure::ConversionFailed);
    return readOdt(output, ReadBudget(), progress);
}

} // namespace zk
