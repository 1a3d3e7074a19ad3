#pragma once

#include "settings/StylePreset.h"

#include <QList>
#include <QWidget>

#include <functional>

class QFrame;
class QLineEdit;
class QAbstractButton;

// The prompt panel's window: a text field asking "How should this be rewritten?" above the
// user's styles, filtered live by name. Return submits the typed text (blank text cancels), a
// click on a style submits its instructions, Escape cancels, and so does a window manager that
// closes the window (the run waiting for the answer would otherwise wait for ever). Losing the
// focus answers nothing.
class PromptPanelView final : public QWidget {
public:
    PromptPanelView(QList<StylePreset> presets, bool translucent,
                    std::function<void(QString)> onSubmit, std::function<void()> onCancel);

    QLineEdit* field() const { return m_field; }
    // The style rows shown now, in order.
    QList<QAbstractButton*> visibleRows() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void submitTypedText();
    void filter();

    QList<StylePreset> m_presets;
    bool m_translucent;
    std::function<void(QString)> m_onSubmit;
    std::function<void()> m_onCancel;
    QLineEdit* m_field = nullptr;
    QFrame* m_divider = nullptr;
    QWidget* m_list = nullptr;
    QList<QAbstractButton*> m_rows;
};
