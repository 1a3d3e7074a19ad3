#pragma once

#include "platform/Pasteboard.h"

// A session whose clipboard a background program cannot reach: every read is "unreadable"
// (never "empty", which would invite writing nothing back over the user's data) and every
// write fails.
class NoPasteboard final : public Pasteboard {
public:
    std::uint64_t changeCount() const override { return 0; }
    std::uint64_t fetchCount() const override { return 0; }
    bool holdsOwnWrite() const override { return false; }
    int subscribe(std::function<void()> callback) override;
    void unsubscribe(int id) override;

    QCoro::Task<QStringList> formats() override;
    QCoro::Task<std::optional<QByteArray>> data(QString format) override;
    QCoro::Task<std::optional<QString>> text() override;
    QCoro::Task<PasteboardContents> readAll() override;
    QCoro::Task<std::optional<QString>> selectedText() override;
    QCoro::Task<bool> writeAll(PasteboardContents contents) override;
    QCoro::Task<bool> writeText(QString text, std::uint64_t targetWindow) override;
};
