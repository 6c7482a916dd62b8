#pragma once

#include "net/socketerror.h"

#include <QObject>

#include <utility>

// Every event handler of the program runs through runHandler. A socket call that the socket
// refuses throws SocketError; it unwinds the handler's own steps (never Qt's frames), so the
// handler ends at the failing step, and the failure is reported once, here.
void reportSocketFailure(const SocketError &error);

template<typename Fn> void runHandler(Fn &&fn) {
    try {
        std::forward<Fn>(fn)();
    } catch (const SocketError &error) {
        reportSocketFailure(error);
    }
}

// Connects `signal` to a handler of `receiver`, run through runHandler.
template<typename Sender, typename Signal, typename Receiver, typename... Args>
QMetaObject::Connection onEvent(Sender *sender, Signal signal, Receiver *receiver,
                                void (Receiver::*handler)(Args...)) {
    return QObject::connect(sender, signal, receiver, [receiver, handler](Args... args) {
        runHandler([&] { (receiver->*handler)(args...); });
    });
}
