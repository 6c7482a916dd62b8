#pragma once

#include <QtGlobal>

// Tells afterwards whether the peer ended a connection in order or reset it. Qt reports a
// reset that follows the peer's FIN as an ordinary close, so where the system lets us look
// at the connection's own state, the probe keeps a second descriptor of it while it is open
// and asks the kernel once Qt reports the end. Elsewhere the probe knows nothing, and a reset
// is reported as Qt reports it.
class ResetProbe {
public:
    ResetProbe() = default;
    ~ResetProbe() { stop(); }
    ResetProbe(const ResetProbe &) = delete;
    ResetProbe &operator=(const ResetProbe &) = delete;

    // Whether this system can tell a reset from an ordered close at all.
    static bool available();

    // Starts watching the open connection behind `descriptor`.
    void watch(qintptr descriptor);
    // After the end: whether the peer reset the connection. False when not watching.
    bool endedByReset() const;
    // Lets the connection go for good.
    void stop();

private:
    int m_fd = -1;
};
