#pragma once

#include <QString>

// The connection windows reach the socket only through the main window, which owns it. Once
// the main window is closed its socket is gone with it, and these act as a closed socket
// would: the state is 0, and connecting or sending fails with a SocketError.

// The socket's state in its 0..9 numbering; 0 without a main window.
int socketState();

// Connects the socket over TCP to `host` (used exactly as given) on the gateway port. Returns
// at once; throws SocketError when the socket refuses.
void connectToGateway(const QString &host);

// Sends `data` in one send; throws SocketError when no connection is open.
void sendToGateway(const QString &data);

// The local IPv4 address as dotted text, with or without a connection.
QString localIP();
