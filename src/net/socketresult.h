#pragma once

#include <QString>

#include <utility>

// The outcome of a socket call that the socket may refuse at the moment it is made. It tells
// which call it was, what happened and the socket's state at the time, and for a send, how
// many characters could not be sent as typed; the window that made the call puts that into
// words for the user. The type is [[nodiscard]], so a call whose outcome is dropped draws a
// compiler warning (an error in CI).
class [[nodiscard]] SocketResult {
public:
    enum Call { Connect, Send };

    enum Outcome {
        Done,
        NotClosed,    // Connect while connecting, connected or not yet closed after an end
        NotConnected, // SendData while no connection is open
        WriteFailed,  // SendData on a connection that would not take the bytes
        NoSocket,     // the socket's owner, and with it the socket, is gone
    };

    SocketResult(Call call, Outcome outcome, int state, QString detail = {})
        : m_call(call)
        , m_outcome(outcome)
        , m_state(state)
        , m_detail(std::move(detail)) {}

    static SocketResult done(Call call, int state) { return {call, Done, state}; }
    static SocketResult sent(int state, qsizetype unencodable) {
        SocketResult result(Send, Done, state);
        result.m_unencodable = unencodable;
        return result;
    }

    bool ok() const { return m_outcome == Done; }
    Call call() const { return m_call; }
    Outcome outcome() const { return m_outcome; }
    // The socket's state (a Winsock::StateValue) when the call was made.
    int state() const { return m_state; }
    // For WriteFailed, the system's own words for why.
    QString detail() const { return m_detail; }
    // For a send that was done, how many characters the code page on the wire has no code for:
    // they went out as its replacement character.
    qsizetype unencodable() const { return m_unencodable; }
    // Whether the user needs to hear of it: a refusal, or text not sent as typed.
    bool needsTelling() const { return !ok() || m_unencodable > 0; }

private:
    Call m_call;
    Outcome m_outcome;
    int m_state;
    QString m_detail;
    qsizetype m_unencodable = 0;
};
