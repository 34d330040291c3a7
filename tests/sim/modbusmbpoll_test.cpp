// The simulated gateway's Modbus front end read by a client that is not
// ours: Debian's mbpoll, over Modbus TCP on loopback and over the
// simulator's pseudo-terminal with RTU framing. Without mbpoll the cases
// are skipped, saying so.
#include "simulatedgateway.h"

#include "comm/waiting.h"
#include "testenvironment.h"

#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

const QString kMbpoll = QStringLiteral("/usr/bin/mbpoll");

class ModbusMbpollTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!QFileInfo(kMbpoll).isExecutable())
            GTEST_SKIP() << "no " << kMbpoll.toStdString() << " (scripts/setup.sh installs the mbpoll package)";
        EndpointOptions options;
        options.udpPort.reset();
        options.tcpPort = 0;
        options.pty = true;
        options.modbus = true;
        QString error;
        ASSERT_TRUE(gateway.Start(options, &error)) << error.toStdString();
    }

    // mbpoll once, PDU addressing (-0), while our event loop serves it.
    QString Poll(const QStringList& arguments, bool tcp = true)
    {
        QStringList all = {QStringLiteral("-0"), QStringLiteral("-1"), QStringLiteral("-a"), QStringLiteral("1")};
        if (tcp)
            all << QStringLiteral("-m") << QStringLiteral("tcp") << QStringLiteral("-p")
                << QString::number(gateway.TcpPort());
        else
            all << QStringLiteral("-m") << QStringLiteral("rtu") << QStringLiteral("-b") << QStringLiteral("9600")
                << QStringLiteral("-P") << QStringLiteral("none");
        all << arguments << (tcp ? QStringLiteral("127.0.0.1") : gateway.PtyPath());
        QProcess process;
        process.start(kMbpoll, all);
        const bool finished = WaitUntil([&] { return process.state() == QProcess::NotRunning; }, 20000ms);
        if (!finished) {
            process.kill();
            process.waitForFinished();
        }
        EXPECT_TRUE(finished) << all.join(u' ').toStdString();
        return QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
    }

    SimulatedGateway gateway{DefaultBusConfig()}; // slave 1: INT16 -2 at 100, FLOAT 21.5 at 101, UINT32 123456 (CDAB) at 103
};

TEST_F(ModbusMbpollTest, ModbusTcpRegistersFloatsAndExceptions)
{
    const QString words = Poll({QStringLiteral("-r"), QStringLiteral("100"), QStringLiteral("-c"), QStringLiteral("3")});
    EXPECT_TRUE(words.contains(QStringLiteral("[100]: \t65534 (-2)"))) << words.toStdString();
    EXPECT_TRUE(words.contains(QStringLiteral("[101]: \t16812"))) << words.toStdString();
    EXPECT_TRUE(words.contains(QStringLiteral("[102]: \t0"))) << words.toStdString();

    // -B: the most significant register first, as the simulator stores FLOAT 21.5.
    const QString real = Poll({QStringLiteral("-t"), QStringLiteral("4:float"), QStringLiteral("-B"),
                               QStringLiteral("-r"), QStringLiteral("101")});
    EXPECT_TRUE(real.contains(QStringLiteral("[101]: \t21.5"))) << real.toStdString();
    // mbpoll's own order for 32-bit integers is the least significant register first: CDAB.
    const QString integer = Poll({QStringLiteral("-t"), QStringLiteral("4:int"), QStringLiteral("-r"), QStringLiteral("103")});
    EXPECT_TRUE(integer.contains(QStringLiteral("[103]: \t123456"))) << integer.toStdString();
    const QString input = Poll({QStringLiteral("-t"), QStringLiteral("3:float"), QStringLiteral("-B"),
                                QStringLiteral("-r"), QStringLiteral("0")});
    EXPECT_TRUE(input.contains(QStringLiteral("[0]: \t20"))) << input.toStdString();

    const QString unmapped = Poll({QStringLiteral("-r"), QStringLiteral("200")});
    EXPECT_TRUE(unmapped.contains(QStringLiteral("Illegal data address"))) << unmapped.toStdString();
}

TEST_F(ModbusMbpollTest, RtuOverThePseudoTerminal)
{
    const QString words = Poll({QStringLiteral("-r"), QStringLiteral("100"), QStringLiteral("-c"), QStringLiteral("2")}, false);
    EXPECT_TRUE(words.contains(QStringLiteral("[100]: \t65534 (-2)"))) << words.toStdString();
    EXPECT_TRUE(words.contains(QStringLiteral("[101]: \t16812"))) << words.toStdString();

    const QString name = Poll({QStringLiteral("-t"), QStringLiteral("4:hex"), QStringLiteral("-r"), QStringLiteral("110"),
                               QStringLiteral("-c"), QStringLiteral("2")},
                              false);
    EXPECT_TRUE(name.contains(QStringLiteral("[110]: \t0x4F53"))) << name.toStdString(); // "OS"

    const QString unmapped = Poll({QStringLiteral("-r"), QStringLiteral("300")}, false);
    EXPECT_TRUE(unmapped.contains(QStringLiteral("Illegal data address"))) << unmapped.toStdString();
}

} // namespace
