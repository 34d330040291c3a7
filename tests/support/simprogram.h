#pragma once

#include <QProcess>
#include <QStringList>
#include <QTest>
#include <gtest/gtest.h>

// Starts the simulator program (OSTRAND_SIM_PROGRAM) as a child with these
// arguments and waits, up to hangMs, for the first lines it prints: one
// endpoint a line.
inline ::testing::AssertionResult StartSimProgram(QProcess& sim, const QStringList& arguments, int lineCount,
                                                  QStringList& lines, int hangMs)
{
    sim.start(QStringLiteral(OSTRAND_SIM_PROGRAM), arguments);
    if (!sim.waitForStarted(hangMs))
        return ::testing::AssertionFailure() << "not started: " << sim.errorString().toStdString();
    const bool printed = QTest::qWaitFor([&] {
        while (sim.canReadLine())
            lines.append(QString::fromUtf8(sim.readLine()).trimmed());
        return lines.size() >= lineCount;
    }, hangMs);
    if (!printed)
        return ::testing::AssertionFailure() << sim.readAllStandardError().toStdString();
    return ::testing::AssertionSuccess();
}
