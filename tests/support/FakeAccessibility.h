#pragma once

#include "platform/Accessibility.h"

// Answers every focus query with the element set by the test.
class FakeAccessibility : public Accessibility {
public:
    QCoro::Task<FocusedElement> focusedElement() override {
        co_return FocusedElement(focus); // a copy: QCoro 0.8 moves from a co_returned lvalue
    }

    FocusedElement focus{FocusedElement::Status::found, QStringLiteral("AXTextField"), 0};
};
