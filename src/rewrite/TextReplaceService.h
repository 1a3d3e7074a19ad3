#pragma once

#include "rewrite/PasteboardSnapshot.h"
#include "rewrite/PipelineTiming.h"
#include "rewrite/RewritePlatform.h"

#include <QString>

#include <qcoro/qcorotask.h>

// Puts a rewritten text in place of the selection: clipboard, Paste, then the user's clipboard
// back once the target has taken the text. Stateless.
namespace TextReplaceService {

// Always restores the snapshot. False when the text could not be put on the clipboard (nothing
// was pasted then).
QCoro::Task<bool> paste(RewritePlatform platform, QString text, PasteboardSnapshot snapshot,
                        Keystrokes::Style style, PipelineTiming timing);

} // namespace TextReplaceService
