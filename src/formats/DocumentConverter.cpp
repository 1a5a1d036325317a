#include "formats/DocumentConverter.h"

#include <algorithm>

namespace zk {

bool ConversionResult::hasText(QStringView text) {
    return std::any_of(text.cbegin(), text.cend(),
                       [](QChar c) { return c.unicode() > 0x20 && !c.isSpace(); });
}

ConversionResult ConversionResult::success(QString text, bool damaged) {
    if (!hasText(text))
        return failure(Failure::NoText);
    ConversionResult result(std::move(text), Failure::None);
    result.m_damaged = damaged;
    return result;
}

ConversionResult ConversionResult::beginning(QString text, std::shared_ptr<ContinuedText> rest) {
    ConversionResult result = success(std::move(text));
    if (result)
        result.m_rest = std::move(rest);
    return result;
}

ConversionResult ConversionResult::failure(Failure why) {
    return ConversionResult(QString(), why == Failure::None ? Failure::NoText : why);
}

QString ConversionResult::reason() const {
    return reason(m_failure);
}

QString ConversionResult::reason(Failure why) {
    switch (why) {
    case Failure::None:
        return {};
    case Failure::Unreadable:
        return QStringLiteral("Файл не удалось прочитать");
    case Failure::Damaged:
        return QStringLiteral("Файл повреждён или не является документом такого вида");
    case Failure::Protected:
        return QStringLiteral("Файл защищён паролем");
    case Failure::NoTextLayer:
        return QStringLiteral("В файле нет текстового слоя");
    case Failure::NoText:
        return QStringLiteral("В файле нет текста");
    case Failure::TooLarge:
        return QStringLiteral("Файл слишком велик");
    case Failure::ConverterMissing:
        return QStringLiteral("Для файлов такого вида нужен LibreOffice, он не установлен");
    case Failure::ConversionFailed:
        return QStringLiteral("LibreOffice не смог преобразовать файл");
    case Failure::TimedOut:
        return QStringLiteral("LibreOffice не успел преобразовать файл");
    case Failure::Cancelled:
        return QStringLiteral("Загрузка отменена");
    }
    return {};
}

bool ConversionProgress::proceed(int percent) const {
    return !m_callback || m_callback(percent);
}

bool ConversionProgress::proceed(qint64 done, qint64 total) const {
    const qint64 percent = total > 0 ? std::clamp<qint64>(done * 100 / total, 0, 100) : -1;
    return proceed(static_cast<int>(percent));
}

std::optional<qsizetype> ConversionProgress::choose(const QStringList &books) const {
    if (!m_chooser)
        return books.isEmpty() ? std::nullopt : std::optional<qsizetype>(0);
    const std::optional<qsizetype> chosen = m_chooser(books);
    if (chosen && (*chosen < 0 || *chosen >= books.size()))
        return std::nullopt;
    return chosen;
}

DocumentConverter::~DocumentConverter() = default;

ConversionResult DocumentConverter::convert(const QString &path,
                                            const ConversionProgress &progress) {
    ConversionResult result = convertFile(path, progress);
    // A last word, so a stop pressed at the very end still keeps the previous text.
    if (!progress.proceed(100))
        return ConversionResult::failure(ConversionResult::Failure::Cancelled);
    return result;
}

} // namespace zk
