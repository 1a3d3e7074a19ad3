// palimo-pipeline-driver: the rewrite pipeline wired as the application wires it (X11 clipboard,
// XTest keystrokes, AT-SPI focus, the active window, the real model client against
// $PALIMO_API_BASE), driven by commands on standard input instead of the global hotkey:
//   run | cancel-after MS | focus | quit
// Ctrl+Alt+R, grabbed as the application grabs its shortcut, starts a run as "run" does, so a
// benchmark can press the real key (a grab moves the keyboard focus for a moment).
// "cancel-after" presses Escape MS after Escape is next armed (the capture's start). While armed,
// the real Escape key is grabbed and cancels as the application's does.
// "focus" prints the focused element as accessibility shows it ("focus found AXTextArea", or
// "focus none"), then "finished".
// Everything a run logs goes to standard output ("[Palimo] ..."), followed by
//   feedback working|succeeded|cancelled|failed MESSAGE
//   timing capture=MS model=MS paste=MS total=MS overhead=MS      (successful runs)
//   finished
#include "CommandReader.h"

#include "base/Log.h"
#include "client/OpenAIClient.h"
#include "feedback/CaretLocator.h"
#include "hotkey/HotKey.h"
#include "hotkey/HotKeysController.h"
#include "platform/atspi/AtspiAccessibility.h"
#include "platform/x11/X11HotKeyService.h"
#include "platform/x11/X11Keystrokes.h"
#include "platform/x11/X11Pasteboard.h"
#include "platform/x11/X11Workspace.h"
#include "rewrite/RewriteController.h"

#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>

namespace {

// The moments of a run the benchmark's timing line is made of, in microseconds.
struct Clock {
    QElapsedTimer sinceStart;
    qint64 runStart = 0, modelStart = 0, modelEnd = 0, pastePosted = -1;
    bool succeeded = false;
    qint64 now() const { return sinceStart.nsecsElapsed() / 1000; }
};

class TimedKeystrokes final : public Keystrokes {
public:
    explicit TimedKeystrokes(Clock& clock)
        : m_clock(clock) {}
    bool isAvailable() const override { return m_inner.isAvailable(); }
    QCoro::Task<bool> modifiersHeld() override { co_return co_await m_inner.modifiersHeld(); }
    QCoro::Task<bool> post(Command command) override {
        const bool posted = co_await m_inner.post(command);
        if (command == Command::paste) {
            m_clock.pastePosted = m_clock.now();
        }
        co_return posted;
    }

private:
    X11Keystrokes m_inner;
    Clock& m_clock;
};

// As the pill does, a run that starts working looks for the caret; in Chromium that asks for
// the accessible tree the next run's whole field is found in.
QCoro::Task<> locateCaret(CaretLocator& locator) {
    co_await locator.anchor();
}

struct PrintingFeedback final : RewriteFeedback {
    PrintingFeedback(Clock& c, CaretLocator& l)
        : clock(c)
        , locator(l) {}
    void working() override {
        say(QStringLiteral("feedback working"));
        locateCaret(locator);
    }
    void succeeded() override {
        clock.succeeded = true;
        say(QStringLiteral("feedback succeeded"));
    }
    void cancelled() override { say(QStringLiteral("feedback cancelled")); }
    void failed(const QString& message) override { say("feedback failed " + message); }
    Clock& clock;
    CaretLocator& locator;
};

QCoro::Task<> sayFocus(Accessibility& accessibility) {
    const Accessibility::FocusedElement focus = co_await accessibility.focusedElement();
    const bool found = focus.status == Accessibility::FocusedElement::Status::found;
    say(found ? "focus found " + focus.role : QStringLiteral("focus none"));
    say(QStringLiteral("finished"));
}

QString ms(qint64 microseconds) {
    return QString::number(static_cast<double>(microseconds) / 1000.0, 'f', 2);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const std::unique_ptr<X11HotKeyService> hotKeys = X11HotKeyService::create();
    HotKeysController::setService(hotKeys.get());
    const std::unique_ptr<X11Pasteboard> pasteboard = X11Pasteboard::create();
    if (!pasteboard) {
        std::fprintf(stderr, "no X11 display\n");
        return 2;
    }
    Clock clock;
    clock.sinceStart.start();
    TimedKeystrokes keystrokes(clock);
    X11Workspace workspace;
    AtspiAccessibility accessibility;
    OpenAIClient::Options options;
    options.apiKey = []() -> QCoro::Task<std::optional<QString>> {
        co_return QStringLiteral("sk-palimo-system-test");
    };
    OpenAIClient client(options);
    const auto model = [&](RewriteRequest request,
                           CancellationToken token) -> QCoro::Task<RewriteController::Outcome> {
        clock.modelStart = clock.now();
        QCoro::Task<RewriteController::Outcome> call =
            client.rewrite(std::move(request), std::move(token));
        RewriteController::Outcome outcome = co_await std::move(call);
        clock.modelEnd = clock.now();
        co_return outcome;
    };
    RewriteController controller(
        RewritePlatform{*pasteboard, keystrokes, accessibility, workspace}, {model},
        {[] { return QStringLiteral("Fix the grammar."); }, [](const QString&, qint64, qint64) {}});
    CaretLocator locator(accessibility,
                         {&ScreenGeometry::currentScreens, [] { return QPointF(QCursor::pos()); }});
    const auto feedback = std::make_shared<PrintingFeedback>(clock, locator);
    controller.setFeedback(feedback);

    int cancelAfterMs = -1;
    const auto cancel = [&controller] {
        if (controller.apiCall()) {
            Log::info(QStringLiteral("Cancelled with Escape."));
            controller.apiCall()->cancel();
        }
    };
    std::unique_ptr<HotKey> escapeKey; // the real key, grabbed while armed
    controller.setCancelKeyActive([&](bool active) {
        escapeKey =
            active ? std::make_unique<HotKey>(Key::escape, ModifierFlags(), cancel) : nullptr;
        if (active && cancelAfterMs >= 0) {
            QTimer::singleShot(std::exchange(cancelAfterMs, -1), &app, cancel);
        }
    });
    controller.setOnRunFinished([&] {
        if (clock.succeeded && clock.pastePosted >= 0) {
            const qint64 end = clock.now();
            const qint64 modelTime = clock.modelEnd - clock.modelStart;
            say(QStringLiteral("timing capture=%1 model=%2 paste=%3 total=%4 overhead=%5")
                    .arg(ms(clock.modelStart - clock.runStart), ms(modelTime),
                         ms(end - clock.pastePosted), ms(end - clock.runStart),
                         ms(end - clock.runStart - modelTime)));
        }
        say(QStringLiteral("finished"));
    });

    const auto startClock = [&clock] {
        clock.runStart = clock.now();
        clock.pastePosted = -1;
        clock.succeeded = false;
    };
    const HotKey rewriteKey(Key::r, ModifierFlags(ModifierFlag::control | ModifierFlag::option),
                            [&] {
                                startClock();
                                controller.trigger();
                            });

    readCommands(app, [&](const QString& verb, const QString& rest) {
        startClock();
        if (verb == QLatin1String("run")) {
            controller.trigger();
        } else if (verb == QLatin1String("focus")) {
            sayFocus(accessibility);
        } else if (verb == QLatin1String("cancel-after")) {
            cancelAfterMs = rest.toInt();
            say(QStringLiteral("ok"));
        } else {
            say("error unknown command: " + verb);
        }
    });
    say(QStringLiteral("ready"));
    return app.exec();
}
