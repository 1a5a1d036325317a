#pragma once

// A regression that would run away in memory or time fails its test under these limits instead
// of exhausting the machine.
#include <QFile>
#include <QtGlobal>

#include <algorithm>
#include <sys/resource.h>
#include <unistd.h>

class ResourceLimit final {
public:
    // Lowers the soft limit of `resource` to `soft` while it lives.
    ResourceLimit(int resource, rlim_t soft) : m_resource(resource) {
        if (getrlimit(resource, &m_saved) != 0)
            return;
        rlimit lowered = m_saved;
        lowered.rlim_cur = std::min(soft, m_saved.rlim_max);
        m_active = setrlimit(resource, &lowered) == 0;
    }
    ~ResourceLimit() {
        if (m_active)
            setrlimit(m_resource, &m_saved);
    }
    Q_DISABLE_COPY_MOVE(ResourceLimit)

    // `headroom` bytes of address space beyond what the process maps now. AddressSanitizer maps
    // terabytes up front, so under it the address space stays unlimited.
    static ResourceLimit addressSpaceBeyondNow(rlim_t headroom) {
#if defined(__SANITIZE_ADDRESS__)
        Q_UNUSED(headroom);
        return ResourceLimit(RLIMIT_AS, RLIM_INFINITY);
#else
        QFile statm(QStringLiteral("/proc/self/statm"));
        const rlim_t pages =
            statm.open(QIODevice::ReadOnly) ? statm.readAll().split(' ').value(0).toULongLong() : 0;
        return ResourceLimit(RLIMIT_AS,
                             pages > 0 ? pages * getpagesize() + headroom : RLIM_INFINITY);
#endif
    }

    // `seconds` of processor time beyond what the process has used; then SIGXCPU ends it. A guard
    // against a runaway loop, not a timing: keep it far above a slow, busy or sanitized run.
    static ResourceLimit processorBeyondNow(rlim_t seconds) {
        rusage used{};
        getrusage(RUSAGE_SELF, &used);
        return ResourceLimit(RLIMIT_CPU,
                             rlim_t(used.ru_utime.tv_sec + used.ru_stime.tv_sec + 1) + seconds);
    }

private:
    int m_resource;
    rlimit m_saved{};
    bool m_active = false;
};
