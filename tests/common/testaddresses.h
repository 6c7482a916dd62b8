#pragma once

#include <QString>

// Every network test listens on a loopback address of its own, port 6112, so that tests run
// side by side and 127.0.0.1:6112 stays free for a gateway the user runs. Each test area owns
// one block of addresses, listed here and nowhere else; a test names its address as a block
// and an index within it. The end-to-end scripts and the benchmarks use the blocks noted below.
namespace TestAddresses {

struct Block {
    int first; // last byte of the block's first address
    int count;
};

inline constexpr Block kNet{2, 8};             // tests/net
inline constexpr Block kMainWindow{10, 10};    // tests/ui/main
inline constexpr Block kConnectWindows{20, 6}; // tests/ui/connect
inline constexpr Block kGatewayTool{30, 10};   // tests/tools
inline constexpr Block kEndToEnd{40, 10};      // tests/e2e (lib.sh)
inline constexpr Block kBench{50, 6};          // bench
inline constexpr Block kRobustness{60, 10};    // tests/robustness

// "127.0.0.N", the index-th address of the block. An index outside the block is a fault in
// the test and stops it at once.
QString address(Block block, int index);

// Empty when loopback addresses other than 127.0.0.1 can be listened on here (Linux and Windows
// answer every 127.x.y.z); otherwise why not (macOS answers only the aliases set up by hand).
QString loopbackAliasesMissing();

} // namespace TestAddresses

// Skips the current test, with the reason, where the loopback addresses cannot be used.
#define SKIP_WITHOUT_LOOPBACK_ALIASES()                                                            \
    do {                                                                                           \
        const QString missing = TestAddresses::loopbackAliasesMissing();                           \
        if (!missing.isEmpty())                                                                    \
            QSKIP(qPrintable(missing));                                                            \
    } while (false)
