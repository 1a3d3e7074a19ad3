#pragma once

#include "rewrite/ClipboardKeeper.h"
#include "rewrite/PipelineTiming.h"
#include "rewrite/RewritePlatform.h"

#include <QString>

#include <qcoro/qcorotask.h>

#include <optional>

// Puts a rewritten text in place of the selection: clipboard, Paste, then the user's clipboard
// back once the target has taken the text. Stateless.
namespace TextReplaceService {

// Why nothing was pasted: the end of the "Rewrite failed: " log line, and the user's line.
struct Failure {
    QString reason;
    QString userMessage;
};

// Pastes into target (the window the text came from) unless another window is active now, and
// counts it as done only when target's application fetched the text. Always puts the user's
// clipboard back through keeper.
QCoro::Task<std::optional<Failure>> paste(RewritePlatform platform, QString text,
                                          ClipboardKeeper& keeper,
                                          std::optional<Workspace::ActiveWindow> target,
                                          PipelineTiming timing);

} // namespace TextReplaceService
