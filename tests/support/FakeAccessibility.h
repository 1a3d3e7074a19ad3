#pragma once

#include "platform/Accessibility.h"

#include <QMap>
#include <QPair>

#include <qcoro/qcorotimer.h>

// Answers every focus query with the element set by the test, and the caret reads from the
// tables it fills in (nothing where it left a gap).
class FakeAccessibility : public Accessibility {
public:
    QCoro::Task<FocusedElement> focusedElement() override {
        if (focusDelay > std::chrono::milliseconds::zero()) {
            co_await QCoro::sleepFor(focusDelay); // a busy application
        }
        co_return FocusedElement(focus); // a copy: QCoro 0.8 moves from a co_returned lvalue
    }
    QCoro::Task<std::optional<TextRange>> selectedTextRange() override {
        co_return std::optional<TextRange>(selection);
    }
    QCoro::Task<std::optional<QRectF>> boundsForRange(TextRange range) override {
        const auto key = qMakePair(range.location, range.length);
        co_return bounds.contains(key) ? std::optional<QRectF>(bounds.value(key)) : std::nullopt;
    }
    QCoro::Task<std::optional<QRectF>> frame() override {
        co_return std::optional<QRectF>(elementFrame);
    }
    QCoro::Task<std::optional<QStringList>> interfaceNames() override {
        co_return std::optional<QStringList>(interfaces);
    }

    FocusedElement focus{FocusedElement::Status::found, QStringLiteral("AXTextField"), 0};
    std::optional<TextRange> selection;
    QMap<QPair<qint64, qint64>, QRectF> bounds; // (location, length) -> box
    std::optional<QRectF> elementFrame;
    std::optional<QStringList> interfaces;
    std::chrono::milliseconds focusDelay{0};
};
