#include "settingswindow/PresetsTab.h"

#include "settingswindow/SettingsModel.h"
#include "settingswindow/ViewStyle.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

constexpr int idRole = Qt::UserRole;

QString rowText(const StylePreset& preset) {
    return preset.name.isEmpty() ? PresetsTab::untitled : preset.name;
}

QPushButton* smallButton(const QString& text, const QString& name, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setFlat(true);
    button->setAccessibleName(name);
    button->setFixedWidth(button->fontMetrics().height() * 2);
    return button;
}

} // namespace

PresetsTab::PresetsTab(SettingsModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model) {
    m_list = new QListWidget(this);
    m_list->setAccessibleName(QStringLiteral("Styles"));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setDragDropMode(QAbstractItemView::InternalMove);
    m_list->setDefaultDropAction(Qt::MoveAction);
    m_list->installEventFilter(this);
    auto* add = smallButton(QStringLiteral("+"), QStringLiteral("Add style"), this);
    m_remove = smallButton(QStringLiteral("−"), QStringLiteral("Remove style"), this);
    auto* restore = new QPushButton(QStringLiteral("Restore defaults"), this);
    restore->setFlat(true);
    ViewStyle::caption(restore);
    auto* buttons = new QHBoxLayout();
    buttons->addWidget(add);
    buttons->addWidget(m_remove);
    buttons->addStretch(1);
    buttons->addWidget(restore);
    auto* column = new QVBoxLayout();
    column->setSpacing(6);
    column->addWidget(m_list, 1);
    column->addLayout(buttons);
    auto* columnHolder = new QWidget(this);
    columnHolder->setLayout(column);
    column->setContentsMargins(0, 0, 0, 0);
    columnHolder->setFixedWidth(180);

    m_editor = new QStackedWidget(this);
    auto* placeholder = new QLabel(noSelection, m_editor);
    placeholder->setAlignment(Qt::AlignCenter);
    ViewStyle::secondary(placeholder);
    auto* page = new QWidget(m_editor);
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->setSpacing(8);
    m_name = new QLineEdit(page);
    m_name->setPlaceholderText(QStringLiteral("Name"));
    m_name->setAccessibleName(QStringLiteral("Name"));
    m_instructions = new QPlainTextEdit(page);
    m_instructions->setAccessibleName(QStringLiteral("Instructions"));
    ViewStyle::monospaced(m_instructions);
    pageLayout->addWidget(m_name);
    pageLayout->addWidget(m_instructions, 1);
    m_editor->addWidget(placeholder);
    m_editor->addWidget(page);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(12);
    layout->addWidget(columnHolder);
    layout->addWidget(m_editor, 1);

    connect(add, &QPushButton::clicked, this, &PresetsTab::add);
    connect(m_remove, &QPushButton::clicked, this, &PresetsTab::remove);
    connect(restore, &QPushButton::clicked, this, &PresetsTab::restoreDefaults);
    connect(m_list, &QListWidget::itemSelectionChanged, this, [this] {
        if (!m_showing) {
            const QList<QListWidgetItem*> chosen = m_list->selectedItems();
            select(chosen.isEmpty() ? QUuid() : chosen.first()->data(idRole).toUuid());
        }
    });
    connect(m_list->model(), &QAbstractItemModel::rowsMoved, this,
            [this](const QModelIndex&, int start, int, const QModelIndex&, int row) {
                if (!m_showing) {
                    m_model.movePreset(start, row > start ? row - 1 : row);
                }
            });
    // textChanged, not textEdited: assistive technologies set the whole text at once.
    connect(m_name, &QLineEdit::textChanged, this, [this](const QString& name) {
        if (!m_showing) {
            m_model.renamePreset(m_selection, name);
        }
    });
    connect(m_instructions, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_showing) {
            m_model.setPresetInstructions(m_selection, ViewStyle::editorText(m_instructions));
        }
    });
    connect(&m_model, &SettingsModel::presetsChanged, this, &PresetsTab::showModel);
    showModel();
}

void PresetsTab::showModel() {
    showList();
    showEditor();
}

void PresetsTab::showList() {
    const QList<StylePreset>& presets = m_model.presets();
    bool sameRows = m_list->count() == presets.size();
    for (int row = 0; sameRows && row < m_list->count(); ++row) {
        sameRows = m_list->item(row)->data(idRole).toUuid() == presets.at(row).id;
    }
    m_showing = true;
    if (sameRows) {
        // Renaming only changes texts; refilling would lose the list's selection and scroll.
        for (int row = 0; row < m_list->count(); ++row) {
            m_list->item(row)->setText(rowText(presets.at(row)));
        }
    } else {
        m_list->clear();
        for (const StylePreset& preset : presets) {
            auto* item = new QListWidgetItem(rowText(preset), m_list);
            item->setData(idRole, preset.id);
            if (preset.id == m_selection) {
                item->setSelected(true);
                m_list->setCurrentItem(item);
            }
        }
    }
    m_showing = false;
}

void PresetsTab::showEditor() {
    m_remove->setEnabled(!m_selection.isNull());
    const QList<StylePreset>& presets = m_model.presets();
    const auto found = std::find_if(presets.begin(), presets.end(),
                                    [this](const StylePreset& p) { return p.id == m_selection; });
    if (m_selection.isNull() || found == presets.end()) {
        m_editor->setCurrentIndex(0);
        return;
    }
    m_showing = true;
    if (m_name->text() != found->name) {
        m_name->setText(found->name);
    }
    if (ViewStyle::editorText(m_instructions) != found->instructions) {
        m_instructions->setPlainText(found->instructions);
    }
    m_showing = false;
    m_editor->setCurrentIndex(1);
}

void PresetsTab::select(const QUuid& id) {
    m_selection = id;
    m_showing = true;
    m_list->clearSelection();
    for (int row = 0; row < m_list->count(); ++row) {
        if (!id.isNull() && m_list->item(row)->data(idRole).toUuid() == id) {
            m_list->item(row)->setSelected(true);
            m_list->setCurrentRow(row);
        }
    }
    m_showing = false;
    showEditor();
}

void PresetsTab::add() {
    m_model.addPreset();
    select(m_model.presets().isEmpty() ? QUuid() : m_model.presets().last().id);
}

void PresetsTab::remove() {
    if (m_selection.isNull()) {
        return;
    }
    m_model.removePreset(m_selection);
    select(QUuid());
}

void PresetsTab::deleteSelectedRows() {
    QList<StylePreset> kept;
    for (int row = 0; row < m_list->count(); ++row) {
        if (!m_list->item(row)->isSelected()) {
            kept << m_model.presets().value(row);
        }
    }
    if (kept.size() == m_model.presets().size()) {
        return;
    }
    m_model.setPresets(kept);
    // The rows are gone from the list, so nothing stays selected there either.
    select(QUuid());
}

void PresetsTab::restoreDefaults() {
    m_model.setPresets(StylePreset::builtIns());
    select(QUuid());
}

bool PresetsTab::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Delete) || key->key() == Qt::Key_Backspace) {
            deleteSelectedRows();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
