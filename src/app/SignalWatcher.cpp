#include "app/SignalWatcher.h"

#include <QSocketNotifier>

#include <atomic>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace zk {

namespace {

int g_fds[2] = {-1, -1};
// Seen at once by work that keeps the event loop waiting.
std::atomic<bool> g_signalled{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void onSignal(int) {
    g_signalled = true;
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_fds[0], &c, 1);
}

} // namespace

SignalWatcher::SignalWatcher(QObject *parent) : QObject(parent) {
    g_signalled = false;
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_fds) != 0)
        return;
    m_notifier = new QSocketNotifier(g_fds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char c = 0;
        [[maybe_unused]] const ssize_t n = ::read(g_fds[1], &c, 1);
        request();
    });
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &sa, nullptr);
}

bool SignalWatcher::pending() const {
    return m_pending || g_signalled;
}

void SignalWatcher::request() {
    m_pending = true;
    emit terminationRequested();
}

SignalWatcher::~SignalWatcher() {
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        ::signal(sig, SIG_DFL);
    delete m_notifier;
    for (int &fd : g_fds) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

} // namespace zk
