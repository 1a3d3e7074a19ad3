#pragma once

#include "rewrite/PipelineTiming.h"
#include "rewrite/RewritePlatform.h"

#include <QSet>
#include <QString>

#include <qcoro/qcorotask.h>

#include <optional>

// Reads the user's selected text from any application by posting Copy into it; when nothing is
// selected but the focus is a text field, selects the whole field and copies again. Stateless.
namespace TextCaptureService {

// The accessibility roles that count as a text field (a password field never does).
inline const QSet<QString> editableRoles = {
    QStringLiteral("AXTextField"),
    QStringLiteral("AXTextArea"),
    QStringLiteral("AXComboBox"),
    QStringLiteral("AXSearchField"),
};

// The selected text, or the whole focused text field when nothing was selected, or nothing.
// Never an empty or whitespace-only string. Logs why it gave up.
QCoro::Task<std::optional<QString>> captureSelection(RewritePlatform platform,
                                                     PipelineTiming timing);

// A terminal's selection, read without sending it a single key (its Ctrl+C, and with many
// terminals Ctrl+Shift+C too, interrupts the program inside). Nothing, logged, when no text is
// selected. Never an empty or whitespace-only string.
QCoro::Task<std::optional<QString>> terminalSelection(RewritePlatform platform);

// Whether the formats and the bytes of a URI list describe copied files rather than text.
bool isFileList(const QStringList& formats, const QByteArray& uriList);

} // namespace TextCaptureService
