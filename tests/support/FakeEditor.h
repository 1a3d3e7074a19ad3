#pragma once

#include "platform/Keystrokes.h"
#include "support/FakePasteboard.h"

#include <QTimer>

// A simulated application with one text field that receives the posted keystrokes and reacts
// the way a real editor does: Copy puts a non-empty selection on the clipboard, Select All selects
// the field, Paste fetches the clipboard's text and replaces the selection. Copy and Paste take
// effect later, from the event loop, as they would in another process.
class FakeEditor : public Keystrokes {
public:
    explicit FakeEditor(FakePasteboard& pasteboard)
        : m_pasteboard(pasteboard) {}

    bool isAvailable() const override { return available; }
    QCoro::Task<bool> modifiersHeld() override {
        ++modifierQueries;
        co_return heldForQueries-- > 0;
    }
    QCoro::Task<bool> post(Command command) override {
        posted.append(command);
        if (!onPost || onPost(command)) {
            react(command);
        }
        co_return true;
    }

    void setText(const QString& text, qsizetype start = 0, qsizetype length = 0) {
        m_text = text;
        m_start = start;
        m_length = length;
    }
    QString text() const { return m_text; }

    bool available = true;
    int heldForQueries = 0; // modifiersHeld() answers true this many times
    int modifierQueries = 0;
    QList<Command> posted;
    std::function<bool(Command)> onPost; // runs first; false: the editor ignores the key
    // What the next Copy puts on the clipboard instead of the selection (a copied file, say).
    std::optional<QList<PasteboardItem>> copiedItems;

private:
    void react(Command command) {
        switch (command) {
        case Command::copy:
            QTimer::singleShot(
                2, &m_alive, [this, items = std::exchange(copiedItems, std::nullopt)] {
                    if (items) {
                        m_pasteboard.copyFromApplication(*items);
                    } else if (m_length > 0) {
                        m_pasteboard.copyFromApplication(
                            {PasteboardItem{{QStringLiteral("text/plain"),
                                             m_text.mid(m_start, m_length).toUtf8()}}});
                    }
                });
            break;
        case Command::selectAll:
            setText(m_text, 0, m_text.size());
            break;
        case Command::paste:
            QTimer::singleShot(5, &m_alive, [this] {
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
    QObject m_alive; // reactions still pending end with the editor
    QString m_text;
    qsizetype m_start = 0;
    qsizetype m_length = 0;
};
