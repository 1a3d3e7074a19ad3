#include "feedback/PillView.h"

#include "feedback/Surface.h"

#include <QEasingCurve>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>

#include <cmath>

namespace {

constexpr qreal glyphSide = 17;
constexpr qreal spacing = 8;
constexpr qreal insetX = 11;
constexpr qreal insetY = 8;
constexpr qreal radius = 16;
constexpr qreal textMaxWidth = 240;
constexpr int maxLines = 2;

QFont textFont() {
    QFont font;
    font.setPixelSize(12);
    return font;
}

// The message wrapped at word boundaries into at most two lines; a longer one ends in "…".
QStringList wrap(const QString& text, qreal width) {
    QTextLayout layout(text, textFont());
    layout.beginLayout();
    QStringList lines;
    while (true) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) {
            break;
        }
        line.setLineWidth(width);
        if (lines.size() == maxLines - 1) {
            const QString rest = text.mid(line.textStart()).simplified();
            lines.append(QFontMetricsF(textFont()).elidedText(rest, Qt::ElideRight, width));
            break;
        }
        lines.append(text.mid(line.textStart(), line.textLength()).trimmed());
    }
    layout.endLayout();
    return lines;
}

} // namespace

PillView::PillView(Look look)
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput)
    , m_look(std::move(look)) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    Surface::prepare(*this, m_look.translucent);
    m_sweep.setStartValue(0.0);
    m_sweep.setEndValue(1.0);
    m_sweep.setDuration(1150);
    m_sweep.setLoopCount(-1);
    connect(&m_sweep, &QVariantAnimation::valueChanged, this, [this] { update(); });
    m_contentFade.setStartValue(0.35);
    m_contentFade.setEndValue(1.0);
    m_contentFade.setDuration(160);
    m_contentFade.setEasingCurve(QEasingCurve::OutCubic);
    connect(&m_contentFade, &QVariantAnimation::valueChanged, this, [this] { update(); });
    setState(m_state);
}

void PillView::setState(const PillState& state) {
    const bool changed = !(state == m_state);
    m_state = state;
    // Says what the pill shows to screen readers and to tools that list windows.
    static const QString titles[] = {QString(), QStringLiteral("Rewriting…"),
                                     QStringLiteral("Done"), QStringLiteral("Cancelled")};
    const QString title =
        !state.message.isEmpty() ? state.message : titles[static_cast<int>(state.kind)];
    setWindowTitle(title);
    setAccessibleName(title);
    m_lines.clear();
    m_textWidth = 0;
    if (!state.message.isEmpty()) {
        m_lines = wrap(state.message, textMaxWidth);
        const QFontMetricsF metrics(textFont());
        for (const QString& line : m_lines) {
            m_textWidth = std::max(m_textWidth, std::ceil(metrics.horizontalAdvance(line)));
        }
    }
    resize(sizeHint());
    if (changed && isVisible()) {
        m_contentFade.start();
    }
    updateSweep();
    update();
}

QSize PillView::sizeHint() const {
    qreal width = glyphSide;
    qreal height = glyphSide;
    if (!m_lines.isEmpty()) {
        width += spacing + m_textWidth;
        height = std::max(height, std::ceil(QFontMetricsF(textFont()).lineSpacing() *
                                            static_cast<qreal>(m_lines.size())));
    }
    return QSizeF(width + 2 * insetX, height + 2 * insetY).toSize();
}

void PillView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Surface::reshape(*this, radius, m_look.translucent);
}

void PillView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    updateSweep();
}

void PillView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    updateSweep();
    m_contentFade.stop();
}

// The sweep runs only while it can be seen, so a hidden pill costs no CPU.
void PillView::updateSweep() {
    const bool wanted = isVisible() && m_state.kind == PillState::Kind::working;
    if (wanted && !isSweeping()) {
        m_sweep.start();
    } else if (!wanted) {
        m_sweep.stop();
    }
}

void PillView::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor outline = Surface::primaryText();
    outline.setAlphaF(0.08F);
    Surface::paint(painter, QRectF(rect()), radius, m_look.translucent, outline);
    if (m_contentFade.state() == QAbstractAnimation::Running) {
        painter.setOpacity(m_contentFade.currentValue().toReal());
    }
    const qreal rowHeight = height() - 2 * insetY;
    const QRectF glyph(insetX, insetY + (rowHeight - glyphSide) / 2, glyphSide, glyphSide);
    QPen pen(m_look.accent, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    switch (m_state.kind) {
    case PillState::Kind::working:
        paintWorkingMark(painter, glyph);
        break;
    case PillState::Kind::done: {
        QPainterPath check;
        check.moveTo(glyph.left() + 3.5, glyph.center().y() + 0.5);
        check.lineTo(glyph.left() + 7, glyph.bottom() - 4);
        check.lineTo(glyph.right() - 3, glyph.top() + 4);
        painter.setPen(pen);
        painter.drawPath(check);
        paintLines(painter, glyph, rowHeight);
        break;
    }
    case PillState::Kind::cancelled: {
        pen.setColor(Surface::secondaryText());
        painter.setPen(pen);
        const QRectF cross = glyph.adjusted(4.5, 4.5, -4.5, -4.5);
        painter.drawLine(cross.topLeft(), cross.bottomRight());
        painter.drawLine(cross.topRight(), cross.bottomLeft());
        break;
    }
    case PillState::Kind::failed: {
        const QRectF circle = glyph.adjusted(1.5, 1.5, -1.5, -1.5);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Surface::secondaryText());
        painter.drawEllipse(circle);
        painter.setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap));
        const qreal x = circle.center().x();
        painter.drawLine(QPointF(x, circle.top() + 3.5), QPointF(x, circle.center().y() + 1.5));
        painter.drawPoint(QPointF(x, circle.bottom() - 3.5));
        paintLines(painter, glyph, rowHeight);
        break;
    }
    }
}

void PillView::paintLines(QPainter& painter, const QRectF& glyph, qreal rowHeight) const {
    painter.setPen(Surface::primaryText());
    painter.setFont(textFont());
    const QFontMetricsF metrics(textFont());
    const qreal textHeight = metrics.lineSpacing() * static_cast<qreal>(m_lines.size());
    qreal y = insetY + (rowHeight - textHeight) / 2 + metrics.ascent();
    for (const QString& line : m_lines) {
        painter.drawText(QPointF(glyph.right() + spacing, y), line);
        y += metrics.lineSpacing();
    }
}

// The mark faint, and over it the mark at full strength seen through a bright band that runs
// from fully left of the mark to fully right of it.
void PillView::paintWorkingMark(QPainter& painter, const QRectF& frame) const {
    const qreal ratio = devicePixelRatioF();
    const QPixmap mark = tintedMark(static_cast<int>(glyphSide), ratio);
    const qreal outerOpacity = painter.opacity();
    painter.setOpacity(outerOpacity * 0.25);
    painter.drawPixmap(frame.topLeft(), mark);
    painter.setOpacity(outerOpacity);

    const qreal w = glyphSide;
    const qreal phase = m_sweep.currentValue().toReal();
    const qreal bandLeft = w * phase * 1.7 - 0.7 * w;
    QPixmap band = mark;
    QPainter mask(&band);
    mask.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    QLinearGradient gradient(bandLeft, 0, bandLeft + 0.7 * w, 0);
    gradient.setColorAt(0, Qt::transparent);
    gradient.setColorAt(0.3, Qt::white);
    gradient.setColorAt(0.7, Qt::white);
    gradient.setColorAt(1, Qt::transparent);
    mask.fillRect(QRectF(0, 0, w, w), gradient);
    mask.end();
    painter.drawPixmap(frame.topLeft(), band);
}

QPixmap PillView::tintedMark(int side, qreal ratio) const {
    QPixmap pixmap(QSize(side, side) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    m_look.mark.paint(&painter, QRect(0, 0, side, side));
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(QRect(0, 0, side, side), m_look.accent);
    return pixmap;
}
