#pragma once

#include <QString>

#include <qcoro/qcorotask.h>

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

    // The element of any application that has the keyboard focus now.
    virtual QCoro::Task<FocusedElement> focusedElement() = 0;
};
