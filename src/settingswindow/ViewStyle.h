#pragma once

#include <QColor>
#include <QString>
#include <QStyle>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QWidget;

// The few text styles the settings views share, as the nearest Qt equivalents of the caption,
// callout and monospaced body styles and the secondary and status colours.
namespace ViewStyle {

inline const QColor green = QColor(0x2e, 0x7d, 0x32);
inline const QColor red = QColor(0xc6, 0x28, 0x28);
inline const QColor orange = QColor(0xe6, 0x51, 0x00);

// A smaller text, as for footers and status lines.
void caption(QWidget* widget);
// The palette's muted text colour.
void secondary(QLabel* label);
void tint(QLabel* label, const QColor& color);
// The fixed-width system font at the body size.
void monospaced(QWidget* widget);

// A caption label with wrapping, in the secondary colour unless told otherwise.
QLabel* captionLabel(const QString& text, QWidget* parent = nullptr);
// A small icon of the style's standard ones, for status lines.
QLabel* iconLabel(QStyle::StandardPixmap icon, QWidget* parent = nullptr);

// A flat button drawn as a caption-sized link.
QPushButton* linkButton(const QString& text, QWidget* parent = nullptr);

// The editor's text exactly as typed. toPlainText() would turn non-breaking spaces into plain
// ones, and writing that back would change text the user never touched.
QString editorText(const QPlainTextEdit* editor);

} // namespace ViewStyle
