#pragma once

#include <QString>

// The benchmark scenarios, one per process so that each starts from a fresh heap. Each one
// prints its figures as RESULT lines (see benchutil.h) and returns the process's exit code.
// The main window is set up as the program's main() does and shown on the platform the
// process was started with; the gateway's end runs in a thread of its own (LoopbackPeer).

// `mib` MiB of 60-character chat lines as fast as the socket takes them, into the window.
int floodScenario(int mib, const QString &address);
// The same flood into a reader that drops what it reads: a plain QTcpSocket read in the
// event loop, blocking recv() calls, or the client's own socket layer (Winsock and GetData,
// without the window).
enum class ReaderLayer { QTcpSocket, Recv, Winsock };
int referenceReaderScenario(int mib, const QString &address, ReaderLayer layer);
// A 1 MiB line without a line ending, sent 1 KiB at a time, each piece only once the window
// has shown the one before.
int megabyteLineScenario(const QString &address);
// Enter in the input line to the bytes read by the gateway's end, `lines` times.
int sendLatencyScenario(int lines, const QString &address);
// CPU time of the idle window with its clock, with the clock stopped, and with the clock
// stopped but a bare 1 ms timer in its place: `seconds` each.
int idleScenario(int seconds);
