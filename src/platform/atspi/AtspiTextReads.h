#pragma once

#include "platform/Accessibility.h"

#include <QRectF>
#include <QStringList>

#include <optional>

// libatspi's type, named without its header (whose macros must stay out of headers).
struct _AtspiAccessible;

// Where an element's text sits on screen, read through the AT-SPI text and component
// interfaces. Blocking D-Bus round trips: call them on the accessibility thread only.
namespace AtspiTextReads {

std::optional<Accessibility::TextRange> selectedTextRange(_AtspiAccessible* element);
std::optional<QRectF> boundsForRange(_AtspiAccessible* element, Accessibility::TextRange range);
std::optional<QRectF> frame(_AtspiAccessible* element);
std::optional<QStringList> interfaceNames(_AtspiAccessible* element);

} // namespace AtspiTextReads
