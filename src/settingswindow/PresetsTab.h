#pragma once

#include <QUuid>
#include <QWidget>

class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class SettingsModel;

// The styles editor: the list (reorder by dragging, delete with the Delete key), add, remove,
// restore the built-ins, and the selected style's name and instructions. Its only state of
// its own is which style is selected.
class PresetsTab final : public QWidget {
    Q_OBJECT
public:
    explicit PresetsTab(SettingsModel& model, QWidget* parent = nullptr);

    static inline const QString untitled = QStringLiteral("Untitled");
    static inline const QString noSelection = QStringLiteral("Select a style to edit it.");

    // The selected style's identifier; null when none is.
    QUuid selection() const { return m_selection; }
    void select(const QUuid& id);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showModel();
    void showList();
    void showEditor();
    void add();
    void remove();
    void deleteSelectedRows();
    void restoreDefaults();

    SettingsModel& m_model;
    QUuid m_selection;
    bool m_showing = false; // the list is being refilled; its signals are not the user's
    QListWidget* m_list = nullptr;
    QPushButton* m_remove = nullptr;
    QStackedWidget* m_editor = nullptr;
    QLineEdit* m_name = nullptr;
    QPlainTextEdit* m_instructions = nullptr;
};
