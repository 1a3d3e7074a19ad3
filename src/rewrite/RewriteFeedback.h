#pragma once

#include <QString>

// What the user sees of a run: the floating pill implements this. All calls come on the main
// thread; the controller holds its receiver weakly and skips the calls when it is gone.
class RewriteFeedback {
public:
    RewriteFeedback() = default;
    RewriteFeedback(const RewriteFeedback&) = delete;
    RewriteFeedback& operator=(const RewriteFeedback&) = delete;
    virtual ~RewriteFeedback() = default;

    // Text was captured (and, on the prompt path, instructions received); the model is next.
    virtual void working() = 0;
    // The result was pasted and the clipboard restored.
    virtual void succeeded() = 0;
    // The result was left on the clipboard for the user to paste; note says how. A receiver
    // that cannot show it treats this as succeeded().
    virtual void readyToPaste(const QString& note) {
        Q_UNUSED(note);
        succeeded();
    }
    // The model call was cancelled.
    virtual void cancelled() = 0;
    // A stage failed; message is the one line for the user.
    virtual void failed(const QString& message) = 0;
};
