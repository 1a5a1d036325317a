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
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
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

// The child's answer on its standard output, in lines: "P <percent>" while it reads; the text
// in pieces of whole paragraphs, each as "T <n>" lines followed by n bytes of UTF-8 and a "C" at
// the piece's end; then "E" when the whole is told, or "F <failure>". A child that crashed or
// was cut off before "E" gave only what came before.
class Reply final {
public:
    // False when the text goes beyond the budget or the answer is not ours.
    bool take(const QByteArray &bytes) {
        m_pending += bytes;
        qsizetype at = 0;
        while (at < m_pending.size()) {
            if (m_chunkLeft > 0) {
                const qsizetype n = std::min(m_chunkLeft, m_pending.size() - at);
                const QString text = m_utf8.decode(QByteArrayView(m_pending).sliced(at, n));
                m_piece += text;
                // Characters, as the budget counts them: a Russian book takes two bytes each.
                m_chars += text.size();
                if (m_chars > ReadBudget::DefaultChars)
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
    qsizetype readyChars() const { return m_ready.size(); }
    // The pieces told since the last call, joined.
    QString takeReady() { return std::exchange(m_ready, QString()); }

    // How the answer ended: None when the whole text was told.
    Failure outcome() const {
        if (m_failure != Failure::None)
            return m_failure;
        return !m_ended || m_utf8.hasError() ? Failure::Damaged : Failure::None;
    }

    ConversionResult result() {
        const Failure failure = outcome();
        return failure == Failure::None ? ConversionResult::success(takeReady())
                                        : ConversionResult::failure(failure);
    }

private:
    bool takeLine(QByteArrayView line) {
        const int value = line.size() > 2 ? line.sliced(2).toInt() : 0;
        if (line.startsWith("P ")) {
            m_percent = std::clamp(value, -1, 100);
        } else if (line.startsWith("F ")) {
            m_failure = failureOf(value);
        } else if (line.startsWith("T ") && value > 0 && value <= kChunkBytes) {
            m_chunkLeft = value;
        } else if (line == "C") {
            if (!m_piece.isEmpty() && !m_ready.isEmpty())
                m_ready += u'\n';
            m_ready += std::exchange(m_piece, QString());
        } else if (line == "E") {
            m_ended = true;
        } else {
            return false;
        }
        return true;
    }

    static Failure failureOf(int code) {
        const bool known = code > int(Failure::None) && code <= int(Failure::Cancelled);
        return known ? Failure(code) : Failure::Damaged;
    }

    QByteArray m_pending;
    qsizetype m_chunkLeft = 0;
    qsizetype m_chars = 0;
    bool m_ended = false;
    int m_percent = -1;
    Failure m_failure = Failure::None;
    QStringDecoder m_utf8{QStringDecoder::Utf8};
    QString m_piece;
    QString m_ready;
};

// The child's side of the answer, on a descriptor of its own.
class Channel final {
public:
    explicit Channel(int fd) : m_fd(fd) {}

    bool line(const QByteArray &text) { return write(text + '\n'); }

    bool piece(const QString &text) {
        QStringEncoder utf8(QStringEncoder::Utf8);
        // At most three bytes of UTF-8 for each UTF-16 unit.
        constexpr qsizetype kSlice = kChunkBytes / 3;
        for (qsizetype at = 0; at < text.size(); at += kSlice) {
            const QByteArray chunk = utf8.encode(QStringView(text).mid(at, kSlice));
            if (!chunk.isEmpty() &&
                !(line("T " + QByteArray::number(chunk.size())) && write(chunk)))
                return false;
        }
        return line("C");
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

// The child reading on after the beginning was handed over; heard from as often as before.
class PagesReadOn final : public ContinuedText {
public:
    PagesReadOn(std::unique_ptr<QProcess> child, std::unique_ptr<Reply> reply)
        : m_child(std::move(child)), m_reply(std::move(reply)) {
        m_pump.setInterval(kPumpIntervalMs);
        connect(&m_pump, &QTimer::timeout, this, &PagesReadOn::pump);
        m_pump.start();
    }

    ~PagesReadOn() override { PagesReadOn::stop(); }

    void stop() override {
        m_pump.stop();
        if (m_child->state() != QProcess::NotRunning)
            zk::stop(*m_child);
    }

private:
    void pump() {
        const bool over = m_child->state() == QProcess::NotRunning;
        if (!m_reply->take(m_child->readAllStandardOutput())) {
            stop();
            emit ended(Failure::TooLarge);
            return;
        }
        if (const QString more = m_reply->takeReady(); !more.isEmpty())
            emit arrived(more);
        if (over) {
            m_pump.stop();
            emit ended(m_reply->outcome());
        }
    }

    std::unique_ptr<QProcess> m_child;
    std::unique_ptr<Reply> m_reply;
    QTimer m_pump;
};

} // namespace

QString PageReaderProcess::installedHelper() {
    if (!QCoreApplication::instance())
        return {};
    const QString helper = QDir(QCoreApplication::applicationDirPath()).filePath(HelperName);
    return QFileInfo(helper).isExecutable() ? helper : QString();
}

ConversionResult PageReaderProcess::read(Format format, const QString &path,
                                         const ConversionProgress &progress, Start start) const {
    const QFileInfo info(path);
    if (!info.isReadable())
        return ConversionResult::failure(Failure::Unreadable);
    if (info.size() > ReadBudget::DefaultBytes)
        return ConversionResult::failure(Failure::TooLarge);

    auto child = std::make_unique<QProcess>();
    child->setProgram(m_helper);
    child->setArguments({format == Format::Pdf ? QStringLiteral("pdf") : QStringLiteral("djvu"),
                         info.absoluteFilePath()});
    child->setStandardInputFile(QProcess::nullDevice());
    child->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // Nothing outlives the program, however it ends.
    child->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    child->start();
    if (!child->waitForStarted())
        return ConversionResult::failure(Failure::Unreadable);

    auto reply = std::make_unique<Reply>();
    for (;;) {
        const bool ended =
            child->state() == QProcess::NotRunning || child->waitForFinished(kPumpIntervalMs);
        if (!reply->take(child->readAllStandardOutput())) {
            stop(*child);
            return ConversionResult::failure(Failure::TooLarge);
        }
        if (ended)
            break;
        if (!progress.proceed(reply->percent())) {
            stop(*child);
            return ConversionResult::failure(Failure::Cancelled);
        }
        if (start == Start::Early && reply->readyChars() >= EarlyStartChars) {
            QString beginning = reply->takeReady();
            return ConversionResult::beginning(
                std::move(beginning),
                std::shared_ptr<ContinuedText>(new PagesReadOn(std::move(child), std::move(reply)),
                                               [](ContinuedText *rest) {
                                                   // Not under its own signal, which may be what
                                                   // let it go.
                                                   rest->stop();
                                                   rest->deleteLater();
                                               }));
        }
    }
    return reply->result();
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
    // Pages go on being read while the program takes in the last ones: the pipe holds a
    // megabyte of them instead of 64 KB, if the system allows.
    ::fcntl(out, F_SETPIPE_SZ, 1 << 20);
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
    // Each piece goes out as soon as it is settled; a parent that went away ends the child.
    const PieceSink sink = [&channel](QString piece) {
        if (!piece.isEmpty() && !channel.piece(piece))
            std::_Exit(1);
    };
    try {
        const Failure failure = std::strcmp(argv[1], "djvu") == 0
                                    ? readDjvuInPieces(path, ReadBudget(), progress, sink)
                                    : readPdfInPieces(path, ReadBudget(), progress, sink);
        if (failure != Failure::None)
            return channel.line("F " + QByteArray::number(int(failure))) ? 0 : 1;
        return channel.line("E") ? 0 : 1;
    } catch (const std::bad_alloc &) {
        return channel.line("F " + QByteArray::number(int(Failure::TooLarge))) ? 0 : 1;
    }
}

} // namespace zk
