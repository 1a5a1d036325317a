#include "app/CommandLine.h"

#include <cstring>

namespace zk {

CommandLine::CommandLine(int argc, char **argv) {
    int i = 0;
    for (; i < argc && (i == 0 || std::strcmp(argv[i], "--") != 0); ++i)
        m_qtArgv.push_back(argv[i]);
    m_qtArgc = static_cast<int>(m_qtArgv.size());
    m_qtArgv.push_back(nullptr);
    for (++i; i < argc; ++i)
        m_afterDashes.push_back(argv[i]);
}

QByteArrayList CommandLine::arguments() const {
    QByteArrayList result;
    for (int i = 1; i < m_qtArgc; ++i)
        result << QByteArray(m_qtArgv[i]);
    for (char *arg : m_afterDashes)
        result << QByteArray(arg);
    return result;
}

QString CommandLine::terminalAnswer(const QString &version) const {
    for (int i = 1; i < m_qtArgc; ++i) {
        const char *arg = m_qtArgv[i];
        if (std::strcmp(arg, "--version") == 0 || std::strcmp(arg, "-v") == 0)
            return QStringLiteral("Зоркан %1 — тренажёр быстрого чтения\n").arg(version);
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0)
            return QStringLiteral(
                "Использование: zorkan [ПАРАМЕТРЫ] [ФАЙЛ]\n"
                "Тренажёр быстрого чтения. Открывает ФАЙЛ (текст, FB2, EPUB, PDF, DjVu, DOCX, "
                "DOC, ODT, RTF, HTML)\n"
                "и сразу начинает его читать; без файла открывает текст, оставленный в прошлый "
                "раз.\n"
                "Если Зоркан уже запущен, файл открывается в его окне.\n"
                "\n"
                "  -h, --help       показать эту справку и выйти\n"
                "  -v, --version    показать версию и выйти\n"
                "  --               дальше имя файла, даже если оно начинается с «-»\n"
                "\n"
                "Принимаются и параметры Qt (например, -platform, -style).\n");
    }
    return {};
}

} // namespace zk
