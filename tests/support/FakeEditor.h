#pragma once

#include "support/FakeKeystrokes.h"
#include "support/FakePasteboard.h"

#include <QString>
#include <QTimer>

#include <chrono>

// A simulated application with one text field, driven by the posted keystrokes the way a real
// editor reacts to them: Copy puts a non-empty selection on the clipboard, Select All selects the
// field, Paste fetches the clipboard's text and replaces the selection. Reactions come from the
// event loop after the given delays, as they would from another process.
class FakeEditor {
public:
    FakeEditor(FakeKeystrokes& keys, FakePasteboard& pasteboard)
        : m_pasteboard(pasteboard) {
        keys.onPost = [this](Keystrokes::Command command, Keystrokes::Style style) {
            react(command, style);
        };
    }

    void setText(const QString& text, qsizetype selectionStart = 0, qsizetype selectionLength = 0) {
        m_text = text;
        m_start = selectionStart;
        m_length = selectionLength;
    }
    void selectAllText() { setText(m_text, 0, m_text.size()); }
    QString text() const { return m_text; }
    QString selection() const { return m_text.mid(m_start, m_length); }

    std::chrono::milliseconds copyDelay{2};
    std::chrono::milliseconds pasteDelay{5};
    // Items the Copy puts on the clipboard instead of the selection (a copied file, say).
    std::optional<QList<PasteboardItem>> copiedItems;
    // Terminal-style editors only understand the Shift variants.
    Keystrokes::Style understands = Keystrokes::Style::standard;
    int pastes = 0;

private:
    void react(Keystrokes::Command command, Keystrokes::Style style) {
        if (style != understands) {
            return;
        }
        switch (command) {
        case Keystrokes::Command::copy:
            QTimer::singleShot(copyDelay, [this] {
                if (copiedItems) {
                    m_pasteboard.copyFromApplication(*copiedItems);
                } else if (m_length > 0) {
                    m_pasteboard.copyFromApplication(
                        {PasteboardItem{{QStringLiteral("text/plain"), selection().toUtf8()}}});
                }
            });
            break;
        case Keystrokes::Command::selectAll:
            selectAllText();
            break;
        case Keystrokes::Command::paste:
            QTimer::singleShot(pasteDelay, [this] {
                ++pastes;
                if (const std::optional<QString> text = m_pasteboard.fetchForPaste()) {
                    m_text.replace(m_start, m_length, *text);
                    m_start += text->size();
                    m_length = 0;
                }
            });
            break;
        }
    }

    FakePasteboard& m_pasteboard;
    QString m_text;
    qsizetype m_start = 0;
    qsizetype m_length = 0;
};
