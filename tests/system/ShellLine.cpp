#include "system/ShellLine.h"

#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

void runShellLine(const QString& line) {
    QProcess process;
    process.start(QStringLiteral("sh"), {QStringLiteral("-c"), line});
    ASSERT_TRUE(process.waitForStarted());
    ASSERT_TRUE(QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 10000));
    ASSERT_EQ(process.exitCode(), 0)
        << line.toStdString() << process.readAllStandardError().toStdString();
}

void letEventsArrive() {
    QTest::qWait(250);
}
