#include "settingswindow/ViewStyle.h"

#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>

namespace ViewStyle {

void caption(QWidget* widget) {
    QFont font = widget->font();
    font.setPointSizeF(font.pointSizeF() * 0.85);
    widget->setFont(font);
}

void secondary(QLabel* label) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::PlaceholderText));
    label->setPalette(palette);
}

void tint(QLabel* label, const QColor& color) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

void monospaced(QWidget* widget) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(widget->font().pointSizeF());
    widget->setFont(font);
}

QLabel* captionLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    caption(label);
    secondary(label);
    return label;
}

QLabel* iconLabel(QStyle::StandardPixmap icon, QWidget* parent) {
    auto* label = new QLabel(parent);
    const int size = label->fontMetrics().height();
    label->setPixmap(label->style()->standardIcon(icon).pixmap(size, size));
    label->setFixedSize(size, size);
    return label;
}

QPushButton* linkButton(const QString& text, QWidget* parent) {
    auto* link = new QPushButton(text, parent);
    link->setFlat(true);
    link->setCursor(Qt::PointingHandCursor);
    link->setStyleSheet(QStringLiteral("QPushButton { color: palette(link); text-align: left; "
                                       "text-decoration: underline; border: none; padding: 0; }"));
    caption(link);
    return link;
}

QString editorText(const QPlainTextEdit* editor) {
    QString text = editor->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

} // namespace ViewStyle
