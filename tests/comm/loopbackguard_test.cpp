// Demo mode's promise that nothing leaves the machine: once the guard is on,
// only loopback destinations pass.
#include "comm/loopbackguard.h"

#include <gtest/gtest.h>

namespace {

TEST(LoopbackGuard, OnceOnOnlyLoopbackDestinationsPass)
{
    EXPECT_EQ(RefusedDestination(QHostAddress(QStringLiteral("192.0.2.1"))), QString()) << "off: the LAN is reached";
    EXPECT_EQ(RefusedDestination(QStringLiteral("gateway.example")), QString());

    KeepTrafficOnLoopback(QStringLiteral("loopback only"));
    struct Row {
        const char* destination;
        bool passes;
    };
    const Row rows[] = {
        {"127.0.0.2", true},        // a demo gateway
        {" 127.0.0.3 ", true},      // as typed, blanks around it
        {"127.255.255.255", true},  // the demo site's broadcast
        {"::1", true},
        {"192.0.2.1", false},       // a gateway's address on a real network
        {"255.255.255.255", false}, // the LAN's broadcast
        {"0.0.0.0", false},
        {"gateway.example", false}, // a name: looking it up would already leave the machine
        {"", false},
    };
    for (const Row& row : rows) {
        const QString expected = row.passes ? QString() : QStringLiteral("loopback only");
        EXPECT_EQ(RefusedDestination(QString::fromLatin1(row.destination)), expected) << row.destination;
    }
    EXPECT_EQ(RefusedDestination(QHostAddress(QStringLiteral("10.0.0.1"))), QStringLiteral("loopback only"));
}

} // namespace
