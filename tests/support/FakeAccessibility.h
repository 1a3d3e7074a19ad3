#pragma once

#include "platform/Accessibility.h"

// Answers every focus query with the element set by the test.
class FakeAccessibility : public Accessibility {
public:
    QCoro::Task<FocusedElement> focusedElement() override {
        ++queries;
        co_return FocusedElement(focus); // a copy: QCoro 0.8 moves from a co_returned lvalue
    }

    void focusRole(const QString& role) {
        focus = FocusedElement{FocusedElement::Status::found, role, 0};
    }

    FocusedElement focus;
    int queries = 0;
};
