#pragma once

#include <QByteArrayList>
#include <QString>

#include <vector>

namespace zk {

// The command line shared with Qt: Qt sees only what precedes "--", so a file
// may be named like one of Qt's options. Arguments stay the bytes the system gave.
class CommandLine final {
public:
    CommandLine(int argc, char **argv);

    // For the application object, which removes the options it takes.
    int &qtArgc() { return m_qtArgc; }
    char **qtArgv() { return m_qtArgv.data(); }

    // The program's own arguments once Qt has taken its options.
    QByteArrayList arguments() const;

    // What "--help" or "--version" (before any "--") answer on the terminal, in Russian;
    // empty when the program is to start. Needs no application object, so no display.
    QString terminalAnswer(const QString &version) const;

private:
    int m_qtArgc = 0;
    std::vector<char *> m_qtArgv;
    std::vector<char *> m_afterDashes;
};

} // namespace zk
