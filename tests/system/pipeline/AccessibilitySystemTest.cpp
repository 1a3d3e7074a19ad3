// AtspiAccessibility and the X11 workspace against a real application on the session's AT-SPI
// bus: the focused element's role follows the focus, a password field is never a text field,
// and a frozen application costs a bounded wait without stalling the main thread.
#include "platform/atspi/AtspiAccessibility.h"
#include "platform/x11/X11Keystrokes.h"
#include "platform/x11/X11Workspace.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>

#include <qcoro/qcorotask.h>
#include <qcoro/qcorotimer.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>

namespace {

class Editor {
public:
    Editor() {
        m_process.start(QStringLiteral(TEST_EDITOR), {});
        ready = m_process.waitForStarted(5000) && !command({}).isEmpty();
    }
    ~Editor() {
        ::kill(static_cast<pid_t>(m_process.processId()), SIGCONT);
        m_process.kill();
        m_process.waitForFinished(2000);
    }
    Editor(const Editor&) = delete;
    Editor& operator=(const Editor&) = delete;

    // Sends a command (none: just reads the greeting) and returns the answer line.
    QString command(const QString& line) {
        if (!line.isEmpty()) {
            m_process.write(line.toUtf8() + '\n');
        }
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(5000)) {
                return {};
            }
        }
        return QString::fromUtf8(m_process.readLine()).trimmed();
    }
    qint64 pid() const { return m_process.processId(); }

    bool ready = false;

private:
    QProcess m_process;
};

Accessibility::FocusedElement focusOf(Accessibility& accessibility) {
    return QCoro::waitFor(accessibility.focusedElement());
}

// Asks until the answer has the role (focus events reach us asynchronously).
Accessibility::FocusedElement waitForRole(Accessibility& accessibility, const QString& role) {
    QElapsedTimer timer;
    timer.start();
    Accessibility::FocusedElement focus;
    do {
        focus = focusOf(accessibility);
        if (focus.role == role) {
            break;
        }
        QCoro::waitFor(QCoro::sleepFor(std::chrono::milliseconds(20)));
    } while (timer.elapsed() < 5000);
    return focus;
}

} // namespace

TEST(AccessibilitySystem, RoleFollowsTheFocusAndAFrozenAppCostsABoundedWait) {
    AtspiAccessibility accessibility;
    Editor editor;
    ASSERT_TRUE(editor.ready);

    EXPECT_EQ(waitForRole(accessibility, "AXTextField").role, "AXTextField");
    editor.command(QStringLiteral("focus area"));
    EXPECT_EQ(waitForRole(accessibility, "AXTextArea").role, "AXTextArea");
    editor.command(QStringLiteral("focus password"));
    EXPECT_EQ(waitForRole(accessibility, "AXSecureTextField").role, "AXSecureTextField");
    editor.command(QStringLiteral("focus button"));
    const Accessibility::FocusedElement button = waitForRole(accessibility, "AXButton");
    EXPECT_EQ(button.role, "AXButton");
    EXPECT_EQ(button.status, Accessibility::FocusedElement::Status::found);
    EXPECT_EQ(button.pid, editor.pid());

    // The active window is the editor's, and it names its class.
    X11Workspace workspace;
    const std::optional<Workspace::ActiveWindow> active = QCoro::waitFor(workspace.activeWindow());
    ASSERT_TRUE(active.has_value());
    EXPECT_EQ(active->className, QStringLiteral("palimo-test-editor"));

    // Frozen: every query gives up after its time-out; the main thread keeps running meanwhile.
    ::kill(static_cast<pid_t>(editor.pid()), SIGSTOP);
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
    ticker.start(10);
    QElapsedTimer timer;
    timer.start();
    const Accessibility::FocusedElement frozen = focusOf(accessibility);
    const qint64 elapsed = timer.elapsed();
    ticker.stop();
    ::kill(static_cast<pid_t>(editor.pid()), SIGCONT);
    EXPECT_NE(frozen.status, Accessibility::FocusedElement::Status::found);
    EXPECT_LT(elapsed, 3000);
    std::printf("frozen application: focus query gave up after %lld ms\n",
                static_cast<long long>(elapsed));
    EXPECT_GT(ticks, 3) << "the main thread stalled for " << elapsed << " ms";
}

TEST(AccessibilitySystem, KeystrokesAreAvailableOnXvfb) {
    X11Keystrokes keystrokes;
    EXPECT_TRUE(keystrokes.isAvailable());
    EXPECT_FALSE(QCoro::waitFor(keystrokes.modifiersHeld()));
}
