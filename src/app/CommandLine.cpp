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

} // namespace zk
