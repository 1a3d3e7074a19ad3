#pragma once

#include "platform/Workspace.h"
#include "settings/StylePreset.h"

#include <QObject>
#include <QPointF>

#include <functional>
#include <memory>
#include <optional>

class PromptPanelView;

// Opens the prompt panel by the pointer and delivers exactly one answer: the typed
// instructions, a picked style's instructions, or nothing. The panel takes the keyboard focus
// although the user works in another application: it asks the desktop to activate it as soon
// as it is on screen. Main thread only.
class PromptPanel final : public QObject {
public:
    using Completion = std::function<void(std::optional<QString>)>;

    struct Sources {
        std::function<QList<StylePreset>()> presets;
        std::function<QPointF()> pointer;  // logical coordinates
        std::function<bool()> translucent; // whether a compositor runs
    };

    PromptPanel(Workspace& workspace, Sources sources);
    ~PromptPanel() override;

    // Closes a panel still open (its completion gets nothing) and opens a new one.
    void present(Completion completion);

    // The panel on screen, if any.
    PromptPanelView* view() const { return m_view.get(); }

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void dismiss(std::optional<QString> answer);

    Workspace& m_workspace;
    Sources m_sources;
    std::unique_ptr<PromptPanelView, void (*)(PromptPanelView*)> m_view;
    Completion m_completion;
    bool m_activationAsked = false;
};
