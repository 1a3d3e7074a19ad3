#pragma once

#include "rewrite/RewriteController.h"
#include "settings/Log.h"
#include "support/FakeAccessibility.h"
#include "support/FakeEditor.h"
#include "support/FakeKeystrokes.h"
#include "support/FakePasteboard.h"
#include "support/FakeWorkspace.h"
#include "support/TempHome.h"

#include <QEventLoop>
#include <QFile>
#include <QTest>

#include <qcoro/qcorotimer.h>

#include <gtest/gtest.h>

#include <memory>

// Records the pill's calls in order.
struct RecordingFeedback : RewriteFeedback {
    void working() override { calls.append(QStringLiteral("working")); }
    void succeeded() override { calls.append(QStringLiteral("succeeded")); }
    void cancelled() override { calls.append(QStringLiteral("cancelled")); }
    void failed(const QString& message) override {
        calls.append(QStringLiteral("failed: ") + message);
    }
    QStringList calls;
};

// A model that upper-cases the text, fails with a set error, or waits to be cancelled.
struct FakeModel {
    std::optional<RewriteError> error;
    bool waitForCancel = false;
    std::chrono::milliseconds delay{0};
    QList<RewriteRequest> requests;
    std::function<void()> onCall;

    QCoro::Task<RewriteController::Outcome> call(RewriteRequest request, CancellationToken token) {
        requests.append(request);
        if (onCall) {
            onCall();
        }
        if (delay.count() > 0) {
            QTimer timer;
            timer.setSingleShot(true);
            timer.start(delay);
            co_await timer;
        }
        while (waitForCancel && !token.isCancelled()) {
            QTimer timer;
            timer.setSingleShot(true);
            timer.start(std::chrono::milliseconds(2));
            co_await timer;
        }
        if (token.isCancelled()) {
            co_return RewriteError{RewriteError::Kind::cancelled, 0, {}, {}};
        }
        if (error) {
            co_return *error;
        }
        co_return RewriteResult{request.text.toUpper(), 12, 7};
    }
};

// The whole pipeline against fakes, with every wait shortened.
class PipelineTest : public ::testing::Test {
protected:
    static PipelineTiming fastTiming() {
        using ms = std::chrono::milliseconds;
        PipelineTiming t;
        t.beforeCopy = ms(1);
        t.copyDeadline = ms(80);
        t.modifierRelease = ms(100);
        t.modifierPoll = ms(1);
        t.afterSelectAll = ms(1);
        t.afterReactivate = ms(1);
        t.pasteMinimum = ms(20);
        t.pasteSettle = ms(5);
        t.pasteDeadline = ms(300);
        return t;
    }

    PipelineTest()
        : editor(keys, pasteboard)
        , controller(RewritePlatform{pasteboard, keys, accessibility, workspace},
                     RewriteController::Model{QStringLiteral("gpt-4o-mini"),
                                              [this](RewriteRequest r, CancellationToken t) {
                                                  return model.call(std::move(r), std::move(t));
                                              }},
                     RewriteController::Settings{[this] { return instructions; },
                                                 [this](qint64 in, qint64 out) {
                                                     usage.append({in, out});
                                                 }},
                     fastTiming()) {
        controller.setFeedback(feedback);
        controller.setCancelKeyActive([this](bool on) {
            cancelKey.append(on);
            apiCallSetWhenArmed.append(controller.apiCall().has_value());
        });
        controller.setOnRunFinished([this] { ++finishedRuns; });
        userClipboard = {PasteboardItem{
            {QStringLiteral("text/plain"), QByteArrayLiteral("user text")},
            {QStringLiteral("text/html"), QByteArrayLiteral("<b>user</b> text")},
            {QStringLiteral("image/png"), QByteArray("\x89PNG\r\n\x1a\n\0\0data", 14)}}};
        pasteboard.copyFromApplication(userClipboard);
        accessibility.focusRole(QStringLiteral("AXTextField"));
    }

    // Starts a run and waits until it has completely finished.
    // (An event loop rather than QTest::qWaitFor, which sleeps between its checks.)
    void run(bool withPrompt = false) {
        const int before = finishedRuns;
        withPrompt ? controller.triggerWithPrompt() : controller.trigger();
        waitForRuns(before + 1);
    }

    void waitForRuns(int count) {
        QEventLoop loop;
        controller.setOnRunFinished([&] {
            ++finishedRuns;
            if (finishedRuns >= count) {
                loop.quit();
            }
        });
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        if (finishedRuns < count) {
            loop.exec();
        }
        controller.setOnRunFinished([this] { ++finishedRuns; });
        ASSERT_GE(finishedRuns, count) << "the run did not finish";
    }

    // The log file's lines without their timestamps.
    QStringList logLines() const {
        QFile file(Log::filePath());
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        QStringList lines;
        for (const QByteArray& line : file.readAll().split('\n')) {
            const qsizetype space = line.indexOf(' ');
            if (space > 0) {
                lines.append(QString::fromUtf8(line.mid(space + 1)));
            }
        }
        return lines;
    }

    bool logHas(const QString& line) const { return logLines().contains(line); }

    TempHome home;
    FakePasteboard pasteboard;
    FakeKeystrokes keys;
    FakeAccessibility accessibility;
    FakeWorkspace workspace;
    FakeEditor editor;
    FakeModel model;
    QString instructions = QStringLiteral("Fix the grammar.");
    QList<std::pair<qint64, qint64>> usage;
    std::shared_ptr<RecordingFeedback> feedback = std::make_shared<RecordingFeedback>();
    QList<bool> cancelKey;
    QList<bool> apiCallSetWhenArmed;
    int finishedRuns = 0;
    QList<PasteboardItem> userClipboard;
    RewriteController controller;
};
