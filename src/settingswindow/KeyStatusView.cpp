#include "settingswindow/KeyStatusView.h"

#include "settingswindow/ViewStyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>

#include <algorithm>

KeyStatusView::KeyStatusView(QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    m_busy = new QProgressBar(this);
    m_busy->setRange(0, 0); // spins without a known end
    m_busy->setTextVisible(false);
    m_busy->setFixedSize(32, 10);
    m_busy->setAccessibleName(checkingText);
    m_validIcon = ViewStyle::iconLabel(QStyle::SP_DialogApplyButton, this);
    m_failedIcon = ViewStyle::iconLabel(QStyle::SP_MessageBoxWarning, this);
    m_text = ViewStyle::captionLabel(QString(), this);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Cut below the third line, never through it.
    m_text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    layout->addWidget(m_busy);
    layout->addWidget(m_validIcon);
    layout->addWidget(m_failedIcon);
    layout->addWidget(m_text, 1);
    display(KeyState::untested());
}

void KeyStatusView::display(const KeyState& state) {
    using Kind = KeyState::Kind;
    m_busy->setVisible(state.kind == Kind::checking);
    m_validIcon->setVisible(state.kind == Kind::valid);
    m_failedIcon->setVisible(state.kind == Kind::failed);
    switch (state.kind) {
    case Kind::untested:
        m_text->clear();
        break;
    case Kind::checking:
        m_text->setText(checkingText);
        ViewStyle::secondary(m_text);
        break;
    case Kind::valid:
        m_text->setText(validText);
        ViewStyle::tint(m_text, ViewStyle::green);
        break;
    case Kind::failed:
        m_text->setText(state.message);
        ViewStyle::tint(m_text, ViewStyle::red);
        break;
    }
    // A long refusal wraps, but never past three lines; the whole of it stays in the tooltip
    // and is what a screen reader reads.
    m_text->setToolTip(m_text->text());
    fitText();
}

void KeyStatusView::fitText() {
    // The layouts above do not ask a wrapped label for its height at the width it got, so the
    // height is set here: what the text needs at its width, up to three lines.
    const int threeLines =
        m_text->fontMetrics()
            .boundingRect(QRect(0, 0, 1000, 1000), Qt::TextWordWrap, QStringLiteral("x\nx\nx"))
            .height();
    const int needed = m_text->text().isEmpty() ? 0 : m_text->heightForWidth(m_text->width());
    m_text->setMinimumHeight(std::min(needed, threeLines));
    m_text->setMaximumHeight(threeLines);
}

void KeyStatusView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitText();
}

QString KeyStatusView::text() const {
    return m_text->text();
}
