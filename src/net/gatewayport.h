#pragma once

#include <QtGlobal>

// The TCP port the chat gateways listen on: the port the program connects to, and the one
// its test gateway, the tests' stand-ins and the benchmarks' peers listen on.
inline constexpr quint16 kGatewayPort = 6112;
