#include "platform/atspi/AtspiTextReads.h"

#include <atspi/atspi.h>

namespace {

// The text interface of the element, or null; the caller unrefs it.
AtspiText* textOf(AtspiAccessible* element) {
    return element != nullptr ? atspi_accessible_get_text_iface(element) : nullptr;
}

QRectF rectOf(const AtspiRect* rect) {
    return QRectF(rect->x, rect->y, rect->width, rect->height);
}

std::optional<QRectF> characterBox(AtspiText* text, qint64 offset) {
    GError* error = nullptr;
    AtspiRect* rect = atspi_text_get_character_extents(text, static_cast<gint>(offset),
                                                       ATSPI_COORD_TYPE_SCREEN, &error);
    // libatspi hands back a rectangle even with an error (for an application that does not
    // answer extents, as on Wayland): it is ours to free either way.
    std::optional<QRectF> box;
    if (error == nullptr && rect != nullptr) {
        box = rectOf(rect);
    }
    g_clear_error(&error);
    g_free(rect);
    return box;
}

} // namespace

namespace AtspiTextReads {

std::optional<Accessibility::TextRange> selectedTextRange(AtspiAccessible* element) {
    AtspiText* text = textOf(element);
    if (text == nullptr) {
        return std::nullopt;
    }
    std::optional<Accessibility::TextRange> range;
    GError* error = nullptr;
    if (atspi_text_get_n_selections(text, &error) > 0 && error == nullptr) {
        if (AtspiRange* selection = atspi_text_get_selection(text, 0, &error)) {
            if (error == nullptr) {
                range = Accessibility::TextRange{selection->start_offset,
                                                 selection->end_offset - selection->start_offset};
            }
            g_free(selection);
        }
    }
    g_clear_error(&error);
    if (!range) {
        const gint caret = atspi_text_get_caret_offset(text, &error);
        if (error == nullptr) {
            range = Accessibility::TextRange{caret, 0};
        }
        g_clear_error(&error);
    }
    g_object_unref(text);
    return range;
}

std::optional<QRectF> boundsForRange(AtspiAccessible* element, Accessibility::TextRange range) {
    AtspiText* text = textOf(element);
    if (text == nullptr) {
        return std::nullopt;
    }
    std::optional<QRectF> box;
    if (range.length <= 1) {
        box = characterBox(text, range.location);
        if (box && range.length == 0) {
            box->setWidth(0); // the caret sits at the character's left edge
        }
    } else {
        GError* error = nullptr;
        AtspiRect* rect = atspi_text_get_range_extents(
            text, static_cast<gint>(range.location),
            static_cast<gint>(range.location + range.length), ATSPI_COORD_TYPE_SCREEN, &error);
        if (error == nullptr && rect != nullptr) {
            box = rectOf(rect);
        }
        g_clear_error(&error);
        g_free(rect);
    }
    g_object_unref(text);
    return box;
}

std::optional<QRectF> frame(AtspiAccessible* element) {
    AtspiComponent* component =
        element != nullptr ? atspi_accessible_get_component_iface(element) : nullptr;
    if (component == nullptr) {
        return std::nullopt;
    }
    GError* error = nullptr;
    AtspiRect* rect = atspi_component_get_extents(component, ATSPI_COORD_TYPE_SCREEN, &error);
    std::optional<QRectF> box;
    if (error == nullptr && rect != nullptr) {
        box = rectOf(rect);
    }
    g_clear_error(&error);
    g_free(rect);
    g_object_unref(component);
    return box;
}

std::optional<QStringList> interfaceNames(AtspiAccessible* element) {
    if (element == nullptr) {
        return std::nullopt;
    }
    GArray* names = atspi_accessible_get_interfaces(element);
    if (names == nullptr) {
        return std::nullopt;
    }
    QStringList list;
    for (guint i = 0; i < names->len; ++i) {
        list.append(QString::fromUtf8(g_array_index(names, gchar*, i)));
        g_free(g_array_index(names, gchar*, i));
    }
    g_array_free(names, TRUE);
    return list;
}

} // namespace AtspiTextReads
