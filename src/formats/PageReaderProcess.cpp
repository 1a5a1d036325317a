#include "formats/PageReaderProcess.h"
#include "formats/DjvuReader.h"
#include "formats/PdfReader.h"
#include "formats/ReadBudget.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>
#include <utility>

namespace zk {

namespace {

using Failure = ConversionResult::Failure;

const QString HelperName = QStringLiteral("zorkan-pages");
// How often the window hears from a running child; a stop reaches the child within this.
constexpr int kPumpIntervalMs = 50;
constexpr qsizetype kChunkBytes = 3 << 20;

// The child's answer on its standard output, in lines: "P <percent>" while it reads; then
// "F <failure>", or the text as "T <n>" lines each followed by n bytes of UTF-8 and "E" at its
// end. A child that crashed or was cut off before "E" gave nothing whole.
class Reply final {
public:
    // False when the text goes beyond the budget or the answer is not ours.
    bool take(const QByteArray &bytes) {
        m_pending += bytes;
        qsizetype at = 0;
        while (at < m_pending.size()) {
            if (m_chunkLeft > 0) {
                const qsizetype n = std::min(m_chunkLeft, m_pending.size() - at);
                m_text += m_utf8.decode(QByteArrayView(m_pending).sliced(at, n));
                if (m_text.size() > ReadBudget::DefaultChars)
                    return false;
                m_chunkLeft -= n;
                at += n;
                continue;
            }
            const qsizetype end = m_pending.indexOf('\n', at);
            if (end < 0)
                break;
            if (!takeLine(QByteArrayView(m_pending).sliced(at, end - at)))
                return false;
            at = end + 1;
        }
        m_pending.remove(0, at);
        return m_pending.size() <= 64;
    }

    int percent() const { return m_percent; }

    ConversionResult result() {
        if (m_failure != Failure::None)
            return ConversionResult::failure(m_failure);
        if (!m_ended || m_utf8.hasError())
            return ConversionResult::failure(Failure::Damaged);
        return ConversionResult::success(std::move(m_text));
    }

private:
    bool takeLine(QByteArrayView line) {
        const int value = line.size() > 2 ? line.sliced(2).toInt() : 0;
        if (line.startsWith("P "))
            m_percent = std::clamp(value, -1, 100);
        else if (line.startsWith("F "))
            m_failure = failureOf(value);
        else if (line.startsWith("T ") && value > 0 && value <= kChunkBytes)
            m_chunkLeft = value;
        else if (line == "E")
            m_ended = true;
        else
            return false;
        return true;
    }

    static Failure failureOf(int code) {
        const bool known = code > int(Failure::None) && code <= int(Failure::Cancelled);
        return known ? Failure(code) : Failure::Damaged;
    }

    QByteArray m_pending;
    qsizetype m_chunkLeft = 0;
    bool m_ended = false;
    int m_percent = -1;
    Failure m_failure = Failure::None;
    QStringDecoder m_utf8{QStringDecoder::Utf8};
    QString m_text;
};

// The child's side of the answer, on a descriptor of its own.
class Channel final {
public:
    explicit Channel(int fd) : m_fd(fd) {}

    bool line(const QByteArray &text) { return write(text + '\n'); }

    bool text(const QString &text) {
        QStringEncoder utf8(QStringEncoder::Utf8);
        // At most three bytes of UTF-8 for each UTF-16 unit.
        constexpr qsizetype kSlice = kChunkBytes / 3;
        for (qsizetype at = 0; at < text.size(); at += kSlice) {
            const QByteArray chunk = utf8.encode(QStringView(text).mid(at, kSlice));
            if (!chunk.isEmpty() &&
                !(line("T " + QByteArray::number(chunk.size())) && write(chunk)))
                return false;
        }
        return line("E");
    }

private:
    bool write(const QByteArray &bytes) {
        for (qsizetype done = 0; done < bytes.size();) {
            const ssize_t n = ::write(m_fd, bytes.constData() + done, size_t(bytes.size() - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            done += n;
        }
        return true;
    }

    int m_fd;
};

// A hostile file must not take the machine down with the child: memory is capped, and a
// crash leaves no core behind. Under AddressSanitizer, which maps terabytes up front, the
// address space stays open.
void limitChild() {
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
#if !defined(__SANITIZE_ADDRESS__)
    const rlimit space{rlim_t(4) << 30, rlim_t(4) << 30};
    ::setrlimit(RLIMIT_AS, &space);
#endif
}

void stop(QProcess &child) {
    child.kill();
    child.waitForFinished(-1);
}

} // namespace

QString PageReaderProcess::installedHelper() {
    if (!QCoreApplication::instance())
        return {};
    const QString helper = QDir(QCoreApplication::applicationDirPath()).filePath(HelperName);
    return QFileInfo(helper).isExecutable() ? helper : QString();
}

ConversionResult PageReaderProcess::read(Format format, const QString &path,
                                         const ConversionProgress &progress) const {
    const QFileInfo info(path);
    if (!info.isReadable())
        return ConversionResult::failure(Failure::Unreadable);
    if (info.size() > ReadBudget::DefaultBytes)
        return ConversionResult::failure(Failure::TooLarge);

    QProcess child;
    child.setProgram(m_helper);
    child.setArguments({format == Format::Pdf ? QStringLiteral("pdf") : QStringLiteral("djvu"),
                        info.absoluteFilePath()});
    child.setStandardInputFile(QProcess::nullDevice());
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // Nothing outlives the program, however it ends.
    child.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    child.start();
    if (!child.waitForStarted())
        return ConversionResult::failure(Failure::Unreadable);

    Reply reply;
    for (;;) {
        const bool ended =
            child.state() == QProcess::NotRunning || child.waitForFinished(kPumpIntervalMs);
        if (!reply.take(child.readAllStandardOutput())) {
            stop(child);
            return ConversionResult::failure(Failure::TooLarge);
        }
        if (ended)
            break;
        if (!progress.proceed(reply.percent())) {
            stop(child);
            return ConversionResult::failure(Failure::Cancelled);
        }
    }
    return reply.result();
}

int PageReaderProcess::serve(int argc, char **argv) {
    if (argc != 3)
        return 2;
    // The answer gets a descriptor of its own; whatever a library prints goes nowhere.
    const int out = ::dup(STDOUT_FILENO);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (out < 0 || null < 0 || ::dup2(null, STDOUT_FILENO) < 0)
        return 1;
    ::close(null);
    limitChild();

    Channel channel(out);
    int told = -2;
    const ConversionProgress progress([&](int percent) {
        if (percent != told) {
            told = percent;
            channel.line("P " + QByteArray::number(percent));
        }
        return true;
    });
    const QString path = QFile::decodeName(argv[2]);
    try {
        ConversionResult result = std::strcmp(argv[1], "djvu") == 0
                                      ? readDjvu(path, ReadBudget(), progress)
                                      : readPdf(path, ReadBudget(), progress);
        if (!result)
            return channel.line("F " + QByteArray::number(int(result.failure()))) ? 0 : 1;
        return channel.text(result.text()) ? 0 : 1;
    } catch (const std::bad_alloc &) {
        return channel.line("F " + QByteArray::number(int(Failure::TooLarge))) ? 0 : 1;
    }
}

} // namespace zk
