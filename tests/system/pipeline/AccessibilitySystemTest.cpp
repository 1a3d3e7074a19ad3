// AtspiAccessibility against a real application on the session's AT-SPI bus: the focused element
// is found with its role and process, and a frozen application costs a bounded wait without
// stalling the main thread. (The pipeline's system test covers the roles of the other widgets.)
#include "platform/atspi/AtspiAccessibility.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <qcoro/qcorotask.h>

#include <gtest/gtest.h>

#include <csignal>

TEST(AccessibilitySystem, FocusIsFoundAndAFrozenAppCostsABoundedWait) {
    AtspiAccessibility accessibility;
    QProcess editor;
    editor.start(QStringLiteral(TEST_EDITOR), {});
    ASSERT_TRUE(editor.waitForReadyRead(5000)) << "the editor did not start";
    const auto pid = static_cast<pid_t>(editor.processId());
    const auto focus = [&] { return QCoro::waitFor(accessibility.focusedElement()); };

    // Focus events reach us asynchronously: ask until the editor's line field has the focus.
    Accessibility::FocusedElement line;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            line = focus();
            return line.status == Accessibility::FocusedElement::Status::found &&
                   line.role == QLatin1String("AXTextField");
        },
        5000))
        << line.role.toStdString();

    // Frozen: the query gives up after its time-out; the main thread keeps running meanwhile.
    ::kill(pid, SIGSTOP);
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
    ticker.start(10);
    QElapsedTimer timer;
    timer.start();
    const Accessibility::FocusedElement frozen = focus();
    const qint64 elapsed = timer.elapsed();
    ticker.stop();
    ::kill(pid, SIGCONT);
    editor.kill();
    editor.waitForFinished(2000);
    EXPECT_NE(frozen.status, Accessibility::FocusedElement::Status::found);
    // A bound on giving up, not a speed goal: the calls time out after 250 ms and 1 s, and a
    // loaded machine has taken 3.5 s; a query that waits on the frozen application never ends.
    EXPECT_LT(elapsed, 10000);
    EXPECT_GT(ticks, 3) << "the main thread stalled for " << elapsed << " ms";
}
