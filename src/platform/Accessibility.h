#pragma once

#include <QRectF>
#include <QString>
#include <QStringList>

#include <qcoro/qcorotask.h>

#include <optional>

// The desktop's accessibility service, answering the questions the rewrite pipeline asks about
// other applications' user interface. Each query is bounded in time: an application that does
// not answer counts as absent.
class Accessibility {
public:
    struct FocusedElement {
        enum class Status {
            found,     // role holds the element's role name
            noElement, // nothing has the keyboard focus, or the focus is unknown
            noRole,    // an element has the focus but its role could not be read
            // no application on the accessibility bus has the active window: the one in front
            // keeps its elements to itself (Chromium and Electron started without accessibility)
            notExposed,
        };
        Status status = Status::noElement;
        // The role in the accessibility names used throughout Palimo: "AXTextField",
        // "AXTextArea", "AXComboBox", "AXSearchField", "AXButton", "AXSecureTextField", ...
        QString role;
        // The owning process, 0 when unknown.
        qint64 pid = 0;
    };

    Accessibility() = default;
    Accessibility(const Accessibility&) = delete;
    Accessibility& operator=(const Accessibility&) = delete;
    virtual ~Accessibility() = default;

    // A run of characters of the focused element's text: the selection, or the caret as a
    // zero-length range.
    struct TextRange {
        qint64 location = 0;
        qint64 length = 0;
    };

    // The element of any application that has the keyboard focus now.
    virtual QCoro::Task<FocusedElement> focusedElement() = 0;

    // The reads below ask the element the last focusedElement() found. Rectangles are in the
    // display's own pixels, origin at the top left of the whole desktop. Each gives nothing when
    // the element cannot answer (no text, gone, too slow).

    // The first selection of the element's text, or else its caret.
    virtual QCoro::Task<std::optional<TextRange>> selectedTextRange() = 0;
    // The box of these characters; for a zero-length range, a zero-width box at the left edge of
    // the character at that offset. Boxes past the end of the text come back empty.
    virtual QCoro::Task<std::optional<QRectF>> boundsForRange(TextRange range) = 0;
    // The element's own frame on screen.
    virtual QCoro::Task<std::optional<QRectF>> frame() = 0;
    // What the element can be asked ("Text", "Component", ...), for diagnostics.
    virtual QCoro::Task<std::optional<QStringList>> interfaceNames() = 0;
};
