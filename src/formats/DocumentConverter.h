#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace zk {

class ContinuedText;

// What a conversion gives: the text, one paragraph per line, lines separated by "\n"; or no
// text and the reason why. A text without a single letter or sign is never a success.
class ConversionResult final {
public:
    enum class Failure {
        None,
        Unreadable,       // the file could not be read at all
        Damaged,          // not a document of its kind, or broken beyond reading
        Protected,        // locked with a password
        NoTextLayer,      // pages without a text layer: a scan or pictures
        NoText,           // read, but nothing to read in it
        TooLarge,         // beyond what one document may cost
        ConverterMissing, // LibreOffice is not installed
        ConversionFailed, // LibreOffice could not convert it
        TimedOut,         // LibreOffice did not finish in time
        Cancelled,        // stopped by the user
    };

    // An empty or blank text is the failure NoText. A damaged document gives what could be
    // read of it.
    static ConversionResult success(QString text, bool damaged = false);
    // The beginning of a long document whose rest is still being read.
    static ConversionResult beginning(QString text, std::shared_ptr<ContinuedText> rest);
    static ConversionResult failure(Failure why);
    // Whether a text holds a single letter or sign.
    static bool hasText(QStringView text);

    bool ok() const { return m_failure == Failure::None; }
    explicit operator bool() const { return ok(); }
    Failure failure() const { return m_failure; }
    const QString &text() const { return m_text; }
    bool damaged() const { return m_damaged; }
    QString takeText() { return std::move(m_text); }
    // The reading of the rest, for a beginning; null when the text is whole.
    const std::shared_ptr<ContinuedText> &rest() const { return m_rest; }

    // Why there is no text, in Russian, as one sentence without its final full stop, to be
    // shown together with the file's name. Empty on success.
    QString reason() const;
    static QString reason(Failure why);

private:
    ConversionResult(QString text, Failure failure) : m_text(std::move(text)), m_failure(failure) {}

    QString m_text;
    Failure m_failure;
    bool m_damaged = false;
    std::shared_ptr<ContinuedText> m_rest;
};

// The rest of a document that was handed over by its beginning, read on in the background.
// Dropping the last reference stops it.
class ContinuedText : public QObject {
    Q_OBJECT
public:
    // Nothing more arrives after this.
    virtual void stop() = 0;

signals:
    // Paragraphs that follow the text so far after a "\n".
    void arrived(const QString &paragraphs);
    // Failure::None once the whole document is in; otherwise the rest is lost.
    void ended(zk::ConversionResult::Failure failure);
};

// Handed to a conversion, which asks it now and then whether to go on, telling how far it
// has got. The callback runs on the thread that converts; returning false stops the
// conversion (a LibreOffice run is killed with every process it started) and it ends with
// the failure Cancelled. A file holding several books asks the chooser which one to read.
class ConversionProgress final {
public:
    // Percent done, 0..100, or -1 while unknown.
    using Callback = std::function<bool(int percent)>;
    // The index of the book to read among `books`, named for a reader; nullopt stops.
    using Chooser = std::function<std::optional<qsizetype>(const QStringList &books)>;

    ConversionProgress() = default;
    explicit ConversionProgress(Callback callback, Chooser chooser = {})
        : m_callback(std::move(callback)), m_chooser(std::move(chooser)) {}

    bool proceed(int percent = -1) const;
    // The percent of `done` parts out of `total`.
    bool proceed(qint64 done, qint64 total) const;
    // Without a chooser, the first book, as when nobody can be asked; an answer out of range
    // stops as well.
    std::optional<qsizetype> choose(const QStringList &books) const;

private:
    Callback m_callback;
    Chooser m_chooser;
};

// Turns a document of any supported kind into plain text.
class DocumentConverter {
public:
    DocumentConverter() = default;
    DocumentConverter(const DocumentConverter &) = delete;
    DocumentConverter &operator=(const DocumentConverter &) = delete;
    virtual ~DocumentConverter();

    // Cancelled whenever the progress said stop, however far the work got.
    ConversionResult convert(const QString &path, const ConversionProgress &progress = {});

protected:
    virtual ConversionResult convertFile(const QString &path,
                                         const ConversionProgress &progress) = 0;
};

} // namespace zk
