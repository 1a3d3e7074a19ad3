#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>

#include <optional>

// One HTTP request as the fake provider received it, for assertions.
struct FakeRequest {
    QByteArray method;
    QByteArray path;
    QList<QPair<QByteArray, QByteArray>> headers; // in arrival order, names as sent
    QByteArray body;
    int connection = 0; // 1 for the first connection the server accepted, and so on

    // The value of the first header with that name, compared without case.
    std::optional<QByteArray> header(const QByteArray& name) const {
        for (const auto& [key, value] : headers) {
            if (key.compare(name, Qt::CaseInsensitive) == 0) {
                return value;
            }
        }
        return std::nullopt;
    }
};
