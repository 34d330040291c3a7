#include "clirunner.h"

#include "comm/waiting.h"

#include <QProcess>
#include <QTimer>
#include <gtest/gtest.h>

#include <csignal>

CliRun RunCli(QStringList arguments, const QString& appDir, std::chrono::milliseconds limit,
              std::chrono::milliseconds interruptAfter)
{
    arguments.prepend(QStringLiteral("--app-dir=") + appDir);
    QProcess process;
    process.start(QStringLiteral(OSTRAND_CLI), arguments);
    if (interruptAfter.count() > 0) {
        QTimer::singleShot(interruptAfter, &process, [&process] {
            if (process.processId() > 0)
                ::kill(static_cast<pid_t>(process.processId()), SIGINT);
        });
    }
    const bool finished = WaitUntil([&] { return process.state() == QProcess::NotRunning; }, limit);
    if (!finished) {
        process.kill();
        process.waitForFinished();
    }
    EXPECT_TRUE(finished) << arguments.join(u' ').toStdString();
    CliRun run;
    run.status = process.exitStatus() == QProcess::NormalExit && finished ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    run.lines = run.out.split(u'\n', Qt::SkipEmptyParts);
    return run;
}
