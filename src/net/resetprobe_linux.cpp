#include "net/resetprobe.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

bool ResetProbe::available() {
    return true;
}

void ResetProbe::watch(qintptr descriptor) {
    stop();
    if (descriptor >= 0)
        m_fd = ::fcntl(int(descriptor), F_DUPFD_CLOEXEC, 0);
}

bool ResetProbe::endedByReset() const {
    // After the peer's FIN the connection waits in CLOSE_WAIT for our close; a reset ends it
    // at once.
    tcp_info info = {};
    socklen_t size = sizeof info;
    return m_fd >= 0 && ::getsockopt(m_fd, IPPROTO_TCP, TCP_INFO, &info, &size) == 0 &&
           info.tcpi_state == TCP_CLOSE;
}

void ResetProbe::stop() {
    // The connection is closed for good once its last descriptor is.
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}
