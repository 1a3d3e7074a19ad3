#include "feedback/PromptPanelView.h"

#include "feedback/PresetFilter.h"
#include "feedback/Surface.h"

#include <QAbstractButton>
#include <QFrame>
#include <QLineEdit>
#include <QPainter>
#include <QShortcut>
#include <QVBoxLayout>

namespace {

constexpr int panelWidth = 420;
constexpr qreal radius = 10;

QColor separator() {
    return QColor(0, 0, 0, 28);
}

// A style's row: its name, leading-aligned across the whole width, highlighted under the
// pointer; the whole rectangle is clickable.
class PresetRow final : public QAbstractButton {
public:
    explicit PresetRow(const QString& name, QWidget* parent)
        : QAbstractButton(parent) {
        setText(name);
        setFocusPolicy(Qt::NoFocus);
        setAttribute(Qt::WA_Hover);
        QFont rowFont = font();
        rowFont.setPixelSize(13);
        setFont(rowFont);
    }
    QSize sizeHint() const override { return {panelWidth, fontMetrics().height() + 2 * 7}; }

protected:
    void paintEvent(QPaintEvent* /*event*/) override {
        QPainter painter(this);
        if (underMouse()) {
            painter.fillRect(rect().adjusted(4, 0, -4, 0), QColor(0, 0, 0, 18));
        }
        painter.setPen(Surface::primaryText());
        painter.drawText(rect().adjusted(14, 0, -14, 0), Qt::AlignLeft | Qt::AlignVCenter,
                         fontMetrics().elidedText(text(), Qt::ElideRight, width() - 28));
    }
};

} // namespace

PromptPanelView::PromptPanelView(QList<StylePreset> presets, bool translucent,
                                 std::function<void(QString)> onSubmit,
                                 std::function<void()> onCancel)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_presets(std::move(presets))
    , m_translucent(translucent)
    , m_onSubmit(std::move(onSubmit))
    , m_onCancel(std::move(onCancel)) {
    setWindowTitle(QStringLiteral("Palimo prompt"));
    Surface::prepare(*this, translucent);
    setFixedWidth(panelWidth);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_field = new QLineEdit(this);
    m_field->setPlaceholderText(QStringLiteral("How should this be rewritten?"));
    m_field->setFrame(false);
    QFont fieldFont = m_field->font();
    fieldFont.setPixelSize(15);
    m_field->setFont(fieldFont);
    m_field->setTextMargins(14, 12, 14, 12);
    m_field->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; }"));
    m_field->setFixedWidth(panelWidth);
    layout->addWidget(m_field);

    m_divider = new QFrame(this);
    m_divider->setFixedHeight(1);
    m_divider->setStyleSheet(QStringLiteral("background: rgba(0, 0, 0, 28);"));
    layout->addWidget(m_divider);

    m_list = new QWidget(this);
    auto* rows = new QVBoxLayout(m_list);
    rows->setContentsMargins(0, 4, 0, 4);
    rows->setSpacing(0);
    for (int i = 0; i < m_presets.size(); ++i) {
        auto* row = new PresetRow(m_presets[i].name, m_list);
        connect(row, &QAbstractButton::clicked, this,
                [this, i] { m_onSubmit(m_presets[i].instructions); });
        rows->addWidget(row);
        m_rows.append(row);
    }
    layout->addWidget(m_list);

    connect(m_field, &QLineEdit::returnPressed, this, [this] { submitTypedText(); });
    connect(m_field, &QLineEdit::textChanged, this, [this] { filter(); });
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, [this] { m_onCancel(); });
    filter();
    setFocusProxy(m_field);
    m_field->setFocus();
}

QList<QAbstractButton*> PromptPanelView::visibleRows() const {
    QList<QAbstractButton*> shown;
    for (QAbstractButton* row : m_rows) {
        if (!row->isHidden()) {
            shown.append(row);
        }
    }
    return shown;
}

void PromptPanelView::submitTypedText() {
    const QString text = m_field->text().trimmed();
    if (text.isEmpty()) {
        m_onCancel();
    } else {
        m_onSubmit(text);
    }
}

void PromptPanelView::filter() {
    const QList<int> matches = PresetFilter::matching(m_presets, m_field->text());
    for (int i = 0; i < m_rows.size(); ++i) {
        m_rows[i]->setHidden(!matches.contains(i));
    }
    m_divider->setHidden(matches.isEmpty());
    m_list->setHidden(matches.isEmpty());
    // The window follows its content; its top-left corner stays where it is.
    adjustSize();
}

void PromptPanelView::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    Surface::paint(painter, QRectF(rect()), radius, m_translucent, separator());
}

void PromptPanelView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Surface::reshape(*this, radius, m_translucent);
}

void PromptPanelView::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    m_onCancel();
}
