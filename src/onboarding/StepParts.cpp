#include "onboarding/StepParts.h"

#include "settingswindow/ViewStyle.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>

namespace StepParts {

namespace {

constexpr int markSize = 44;

QPixmap tinted(const QIcon& icon, const QColor& color, qreal ratio) {
    QPixmap pixmap = icon.pixmap(QSize(markSize, markSize), ratio);
    QPainter painter(&pixmap);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(pixmap.rect(), color);
    return pixmap;
}

} // namespace

QVBoxLayout* column(QWidget* step, int spacing) {
    auto* layout = new QVBoxLayout(step);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

void addMark(QBoxLayout* layout, const OnboardingLook& look, QWidget* parent) {
    if (!look.mark) {
        return;
    }
    auto* mark = new QLabel(parent);
    mark->setPixmap(tinted(*look.mark, look.accent, parent->devicePixelRatioF()));
    mark->setFixedSize(markSize, markSize);
    mark->setScaledContents(true);
    layout->addWidget(mark, 0, Qt::AlignHCenter);
}

void addTitle(QBoxLayout* layout, const QString& title, const QString& subtitle, QWidget* parent) {
    auto* heading = new QLabel(title, parent);
    QFont font = heading->font();
    font.setPointSizeF(font.pointSizeF() * 1.55);
    font.setWeight(QFont::DemiBold);
    heading->setFont(font);
    heading->setAlignment(Qt::AlignHCenter);
    auto* block = new QVBoxLayout();
    block->setSpacing(8);
    block->addWidget(heading);
    block->addWidget(callout(subtitle, parent));
    layout->addLayout(block);
}

QLabel* callout(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignHCenter);
    ViewStyle::secondary(label);
    return label;
}

void addCentered(QBoxLayout* layout, QWidget* widget, int maxWidth) {
    widget->setMaximumWidth(maxWidth);
    widget->setSizePolicy(QSizePolicy::Expanding, widget->sizePolicy().verticalPolicy());
    auto* row = new QHBoxLayout();
    row->addStretch(0);
    row->addWidget(widget, 1);
    row->addStretch(0);
    layout->addLayout(row);
}

QWidget* successLine(const QString& text, QWidget* parent) {
    auto* line = new QWidget(parent);
    auto* row = new QHBoxLayout(line);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(ViewStyle::iconLabel(QStyle::SP_DialogApplyButton, line));
    auto* label = new QLabel(text, line);
    ViewStyle::tint(label, ViewStyle::green);
    row->addWidget(label);
    return line;
}

QLabel* addBigAccentLabel(QBoxLayout* layout, const QString& text, const QString& name,
                          qreal pointSize, const OnboardingLook& look, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAccessibleName(name);
    layout->addWidget(label);
    QFont font = label->font();
    font.setPointSizeF(pointSize);
    font.setWeight(QFont::DemiBold);
    label->setFont(font);
    label->setAlignment(Qt::AlignHCenter);
    ViewStyle::tint(label, look.accent);
    return label;
}

} // namespace StepParts
