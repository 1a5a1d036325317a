#include "music/MediaBackend.h"

namespace zk {

MediaBackend::MediaBackend(QObject *parent) : QObject(parent) {}

MediaBackend::~MediaBackend() = default;

void MediaBackend::armNotice() {
    m_noticePending = true;
}

void MediaBackend::deliverNotice(Ending how) {
    if (!m_noticePending)
        return;
    m_noticePending = false;
    emit completed(how);
}

} // namespace zk
