// palimo-pipeline-driver: the rewrite pipeline wired as the application wires it (X11 clipboard,
// XTest keystrokes, AT-SPI focus, the active window, the real model client), driven by commands
// on standard input instead of the global hotkey:
//   run | prompt "json string" | prompt-panel MS "json string" | cancel-after MS | quit
// "prompt-panel" shows a window that takes the keyboard focus for MS before it answers, as the
// prompt panel does; the run must give the focus back to the user's window to paste.
// Everything the run logs goes to standard output ("[Palimo] ..."), followed by
//   feedback working|succeeded|cancelled|failed MESSAGE
//   timing capture=MS model=MS paste=MS total=MS      (successful runs)
//   finished
// The provider comes from $PALIMO_API_BASE; the key is a fixed test key.
#include "client/OpenAIClient.h"
#include "platform/atspi/AtspiAccessibility.h"
#include "platform/x11/X11Keystrokes.h"
#include "platform/x11/X11Pasteboard.h"
#include "platform/x11/X11Workspace.h"
#include "rewrite/RewriteController.h"
#include "settings/Log.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QTimer>

#include <cstdio>
#include <iostream>
#include <string>
#include <thread>

namespace {

void say(const QString& line) {
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

// Stamps the moments the benchmark needs: when Paste was posted and when the clipboard was
// given back after it.
struct Clock {
    QElapsedTimer sinceStart;
    qint64 runStart = 0, working = 0, replied = 0, pastePosted = -1, restored = -1;
    qint64 now() const { return sinceStart.nsecsElapsed() / 1000; } // microseconds
};

class TimedKeystrokes final : public Keystrokes {
public:
    TimedKeystrokes(Keystrokes& inner, Clock& clock)
        : m_inner(inner)
        , m_clock(clock) {}
    bool isAvailable() const override { return m_inner.isAvailable(); }
    QCoro::Task<bool> modifiersHeld() override { co_return co_await m_inner.modifiersHeld(); }
    QCoro::Task<bool> post(Command command, Style style) override {
        const bool posted = co_await m_inner.post(command, style);
        if (command == Command::paste) {
            m_clock.pastePosted = m_clock.now();
        }
        co_return posted;
    }

private:
    Keystrokes& m_inner;
    Clock& m_clock;
};

class TimedPasteboard final : public Pasteboard {
public:
    TimedPasteboard(Pasteboard& inner, Clock& clock)
        : m_inner(inner)
        , m_clock(clock) {}
    std::uint64_t changeCount() const override { return m_inner.changeCount(); }
    std::uint64_t fetchCount() const override { return m_inner.fetchCount(); }
    int subscribe(std::function<void()> callback) override {
        return m_inner.subscribe(std::move(callback));
    }
    void unsubscribe(int id) override { m_inner.unsubscribe(id); }
    QCoro::Task<QStringList> formats() override { co_return co_await m_inner.formats(); }
    QCoro::Task<std::optional<QByteArray>> data(QString format) override {
        co_return co_await m_inner.data(std::move(format));
    }
    QCoro::Task<std::optional<QString>> text() override { co_return co_await m_inner.text(); }
    QCoro::Task<QList<PasteboardItem>> readAll() override { co_return co_await m_inner.readAll(); }
    QCoro::Task<bool> writeAll(QList<PasteboardItem> items) override {
        const bool ok = co_await m_inner.writeAll(std::move(items));
        if (m_clock.pastePosted >= 0) {
            m_clock.restored = m_clock.now();
        }
        co_return ok;
    }
    QCoro::Task<bool> writeText(QString text) override {
        m_clock.replied = m_clock.now();
        co_return co_await m_inner.writeText(std::move(text));
    }

private:
    Pasteboard& m_inner;
    Clock& m_clock;
};

struct PrintingFeedback final : RewriteFeedback {
    explicit PrintingFeedback(Clock& c)
        : clock(c) {}
    void working() override {
        clock.working = clock.now();
        say(QStringLiteral("feedback working"));
    }
    void succeeded() override { say(QStringLiteral("feedback succeeded")); }
    void cancelled() override { say(QStringLiteral("feedback cancelled")); }
    void failed(const QString& message) override {
        say(QStringLiteral("feedback failed ") + message);
    }
    Clock& clock;
};

QString ms(qint64 microseconds) {
    return QString::number(static_cast<double>(microseconds) / 1000.0, 'f', 2);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::unique_ptr<X11Pasteboard> x11Pasteboard = X11Pasteboard::create();
    if (!x11Pasteboard) {
        std::fprintf(stderr, "no X11 display\n");
        return 2;
    }
    Clock clock;
    clock.sinceStart.start();
    X11Keystrokes x11Keystrokes;
    X11Workspace workspace;
    AtspiAccessibility accessibility;
    TimedPasteboard pasteboard(*x11Pasteboard, clock);
    TimedKeystrokes keystrokes(x11Keystrokes, clock);

    OpenAIClient::Options options;
    options.apiKey = []() -> QCoro::Task<std::optional<QString>> {
        co_return QStringLiteral("sk-palimo-system-test");
    };
    OpenAIClient client(options);
    RewriteController controller(
        RewritePlatform{pasteboard, keystrokes, accessibility, workspace},
        RewriteController::Model{QStringLiteral("gpt-4o-mini"),
                                 [&client](RewriteRequest request, CancellationToken token) {
                                     return client.rewrite(std::move(request), std::move(token));
                                 }},
        RewriteController::Settings{[] { return QStringLiteral("Fix the grammar."); },
                                    [](qint64, qint64) {}});
    auto feedback = std::make_shared<PrintingFeedback>(clock);
    controller.setFeedback(feedback);

    int cancelAfterMs = -1;
    int panelMs = -1;
    QString promptAnswer;
    QLineEdit panel;
    panel.setWindowTitle(QStringLiteral("Palimo prompt"));
    controller.setCollectInstructions([&](RewriteController::InstructionsCompletion done) {
        if (panelMs < 0) {
            done(promptAnswer);
            return;
        }
        panel.show();
        panel.activateWindow();
        QTimer::singleShot(panelMs, &panel, [&panel, &promptAnswer, done] {
            panel.hide();
            done(promptAnswer);
        });
    });
    controller.setCancelKeyActive([&](bool active) {
        if (active && cancelAfterMs >= 0) {
            QTimer::singleShot(cancelAfterMs, &app, [&controller] {
                if (controller.apiCall()) {
                    Log::info(QStringLiteral("Cancelled with Escape."));
                    controller.apiCall()->cancel();
                }
            });
            cancelAfterMs = -1;
        }
    });
    controller.setOnRunFinished([&] {
        if (clock.restored >= 0 && clock.pastePosted >= 0) {
            const qint64 total = clock.now() - clock.runStart;
            const qint64 model = clock.replied - clock.working;
            say(QStringLiteral("timing capture=%1 model=%2 paste=%3 total=%4 overhead=%5")
                    .arg(ms(clock.working - clock.runStart), ms(model),
                         ms(clock.restored - clock.pastePosted), ms(total), ms(total - model)));
        }
        say(QStringLiteral("finished"));
    });

    const auto handle = [&](const QString& command) {
        const QString verb = command.section(QLatin1Char(' '), 0, 0);
        const QString argument = command.section(QLatin1Char(' '), 1);
        clock.runStart = clock.now();
        clock.pastePosted = clock.restored = -1;
        if (verb == QLatin1String("run")) {
            controller.trigger();
        } else if (verb == QLatin1String("prompt") || verb == QLatin1String("prompt-panel")) {
            QString json = argument;
            panelMs = -1;
            if (verb == QLatin1String("prompt-panel")) {
                panelMs = argument.section(QLatin1Char(' '), 0, 0).toInt();
                json = argument.section(QLatin1Char(' '), 1);
            }
            promptAnswer =
                QJsonDocument::fromJson("[" + json.toUtf8() + "]").array().at(0).toString();
            controller.triggerWithPrompt();
        } else if (verb == QLatin1String("cancel-after")) {
            cancelAfterMs = argument.toInt();
            say(QStringLiteral("ok"));
        } else if (verb == QLatin1String("quit")) {
            app.quit();
        } else {
            say(QStringLiteral("error unknown command: ") + command);
        }
    };
    std::thread reader([&app, &handle] {
        std::string input;
        while (std::getline(std::cin, input)) {
            const QString command = QString::fromStdString(input).trimmed();
            QMetaObject::invokeMethod(
                &app, [&handle, command] { handle(command); }, Qt::BlockingQueuedConnection);
            if (command == QLatin1String("quit")) {
                return;
            }
        }
        QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    reader.detach();
    say(QStringLiteral("ready"));
    return app.exec();
}
