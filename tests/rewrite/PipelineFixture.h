#pragma once

#include "rewrite/RewriteController.h"
#include "support/FakeAccessibility.h"
#include "support/FakeEditor.h"
#include "support/FakePasteboard.h"
#include "support/FakeWorkspace.h"
#include "support/TempHome.h"

#include <QEventLoop>

#include <gtest/gtest.h>

using Command = Keystrokes::Command;
using namespace std::chrono_literals;

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

struct RecordingFeedback : RewriteFeedback {
    void working() override {
        calls.append(QStringLiteral("working"));
        if (onWorking) {
            onWorking();
        }
    }
    void succeeded() override { calls.append(QStringLiteral("succeeded")); }
    void readyToPaste(const QString& note) override { calls.append("ready: " + note); }
    void cancelled() override { calls.append(QStringLiteral("cancelled")); }
    void failed(const QString& message) override { calls.append("failed: " + message); }
    QStringList calls;
    std::function<void()> onWorking;
};

// The whole pipeline against fakes, with every wait shortened, from "abc" selected whole. The model
// upper-cases the text or fails with modelError.
class PipelineTest : public ::testing::Test {
public:
    PipelineTest()
        : controller(RewritePlatform{pasteboard, editor, accessibility, workspace},
                     {[this](RewriteRequest r, CancellationToken t) { return model(r, t); }},
                     {[this] { return instructions; },
                      [this](const QString& model, qint64 in, qint64 out) {
                          usage.append({model, in, out});
                      }},
                     {.modifierRelease = 100ms,
                      .modifierPoll = 1ms,
                      .copyDeadline = 80ms,
                      .lateCopyWatch = 200ms,
                      .afterSelectAll = 1ms,
                      .afterReactivate = 1ms,
                      .pasteMinimum = 20ms,
                      .pasteSettle = 5ms,
                      .pasteDeadline = 300ms}) {
        controller.setFeedback(feedback);
        controller.setCancelKeyActive([this](bool on) {
            cancelKey.append(on);
            EXPECT_EQ(on, controller.apiCall().has_value()) << "Escape armed without a call";
            const qsizetype pastes = editor.posted.count(Command::paste);
            EXPECT_EQ(pastes, on ? pastes : std::exchange(pastesWhenArmed, pastes))
                << "Escape still armed at the paste";
            pastesWhenArmed = pastes;
        });
        pasteboard.copyFromApplication(userClipboard);
        editor.setText(QStringLiteral("abc"), 0, 3);
    }

    QCoro::Task<RewriteController::Outcome> model(RewriteRequest request, CancellationToken token) {
        requests.append(request);
        if (duringCall) {
            duringCall();
        }
        if (token.isCancelled()) {
            co_return RewriteError::of(RewriteError::Kind::cancelled);
        }
        if (modelError) {
            co_return RewriteError(*modelError);
        }
        co_return RewriteResult{request.text.toUpper(), 12, 7, QStringLiteral("llama3.2")};
    }

    // Starts a run, calls whileRunning at once, and waits until the run has completely finished.
    // (An event loop rather than QTest::qWaitFor, which sleeps between its checks.)
    void run(bool withPrompt = false, const std::function<void()>& whileRunning = {}) {
        QEventLoop loop;
        controller.setOnRunFinished([&] { QTimer::singleShot(0, &loop, [&] { loop.exit(1); }); });
        withPrompt ? controller.triggerWithPrompt() : controller.trigger();
        if (whileRunning) {
            whileRunning();
        }
        QTimer::singleShot(5000, &loop, [&] { loop.exit(0); });
        const bool finished = loop.exec() == 1;
        controller.setOnRunFinished(nullptr);
        ASSERT_TRUE(finished) << "the run did not finish";
    }

    TempHome home;
    FakePasteboard pasteboard;
    FakeEditor editor{pasteboard};
    FakeAccessibility accessibility;
    FakeWorkspace workspace;
    QList<RewriteRequest> requests;
    std::optional<RewriteError> modelError;
    std::function<void()> duringCall; // the user's doings while the model works
    qsizetype pastesWhenArmed = 0;
    QString instructions = QStringLiteral("Fix the grammar.");
    QList<std::tuple<QString, qint64, qint64>> usage;
    std::shared_ptr<RecordingFeedback> feedback = std::make_shared<RecordingFeedback>();
    QList<bool> cancelKey;
    const QList<PasteboardItem> userClipboard = {
        {{QStringLiteral("text/plain"), "user text"},
         {QStringLiteral("text/html"), "<b>user</b> text"},
         {QStringLiteral("image/png"), QByteArray("\x89PNG\r\n\x1a\n\0\0data", 14)}}};
    RewriteController controller;
};

inline const QStringList succeeded{"working", "succeeded"};
inline const QStringList nothingToRewrite{"failed: Nothing to rewrite."};
inline QStringList failedWith(const QString& message) {
    return {"working", "failed: " + message};
}

// One way a run can go, from the fixture's start and the set-up's changes to that.
struct Ending {
    std::string name;
    std::function<void(PipelineTest&)> setUp;
    QString text;         // the field afterwards
    QStringList feedback; // the pill's calls
    QString logLine = {}; // a part of a line the run logs; no other run logs "Rewrite failed"
    // The clipboard afterwards, when it is not the one before the run.
    std::optional<QList<PasteboardItem>> clipboard = {};
    friend void PrintTo(const Ending& ending, std::ostream* out) { *out << ending.name; }
};
class PipelineEndings : public PipelineTest, public ::testing::WithParamInterface<Ending> {};
