#pragma once

#include <QString>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

// The gateway's end of a benchmark's connection, in a thread of its own so that it never
// shares the window's thread: it listens on a loopback address, port 6112, accepts one
// connection and runs a job on the connected socket with plain blocking system calls.
class LoopbackPeer {
public:
    // Listens at once, so that a connect made right after finds the port open.
    explicit LoopbackPeer(const QString &address);
    ~LoopbackPeer();
    LoopbackPeer(const LoopbackPeer &) = delete;
    LoopbackPeer &operator=(const LoopbackPeer &) = delete;

    bool isListening() const { return m_listener >= 0; }
    QString address() const { return m_address; }

    // Starts the thread: accept, then `job(fd)`; the connection is closed after the job.
    void run(std::function<void(int fd)> job);
    void join();

    // Writes all of [data, data + size) or fails.
    static bool sendAll(int fd, const char *data, std::int64_t size);

private:
    QString m_address;
    int m_listener = -1;
    std::thread m_thread;
};

// A count that one thread raises and another waits for: the go signal of a flood, or the
// acknowledgements that keep a sender in step with what the window has taken.
class SharedCount {
public:
    void raiseTo(std::int64_t value);
    // Waits until the count is at least `value`; false after `timeoutMs`.
    bool waitFor(std::int64_t value, int timeoutMs);
    std::int64_t value() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::int64_t m_value = 0;
};
