#include "loopbackpeer.h"

#include "net/gatewayport.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

LoopbackPeer::LoopbackPeer(const QString &address)
    : m_address(address) {
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(kGatewayPort);
    if (inet_pton(AF_INET, address.toLatin1().constData(), &where.sin_addr) != 1)
        return;
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    ::setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (::bind(m_listener, reinterpret_cast<sockaddr *>(&where), sizeof where) != 0 ||
        ::listen(m_listener, 1) != 0) {
        std::fprintf(stderr, "cannot listen on %s:%d: %s\n", address.toLatin1().constData(),
                     kGatewayPort, strerror(errno));
        ::close(m_listener);
        m_listener = -1;
    }
}

LoopbackPeer::~LoopbackPeer() {
    join();
    if (m_listener >= 0)
        ::close(m_listener);
}

void LoopbackPeer::run(std::function<void(int fd)> job) {
    m_thread = std::thread([this, job = std::move(job)] {
        const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            return;
        job(fd);
        ::close(fd);
    });
}

void LoopbackPeer::join() {
    if (!m_thread.joinable())
        return;
    // An accept still waiting (no one connected) gives up; a connection already accepted
    // is not affected.
    if (m_listener >= 0)
        ::shutdown(m_listener, SHUT_RDWR);
    m_thread.join();
}

bool LoopbackPeer::sendAll(int fd, const char *data, std::int64_t size) {
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size_t(size), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
}

void SharedCount::raiseTo(std::int64_t value) {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (value <= m_value)
            return;
        m_value = value;
    }
    m_changed.notify_all();
}

bool SharedCount::waitFor(std::int64_t value, int timeoutMs) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return m_value >= value; });
}

std::int64_t SharedCount::value() const {
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_value;
}
