#include "platform/none/NoPasteboard.h"

int NoPasteboard::subscribe(std::function<void()> /*callback*/) {
    return 0; // nothing ever changes that it could report
}

void NoPasteboard::unsubscribe(int /*id*/) {}

QCoro::Task<QStringList> NoPasteboard::formats() {
    co_return QStringList();
}

QCoro::Task<std::optional<QByteArray>> NoPasteboard::data(QString /*format*/) {
    co_return std::nullopt;
}

QCoro::Task<std::optional<QString>> NoPasteboard::text() {
    co_return std::nullopt;
}

QCoro::Task<PasteboardContents> NoPasteboard::readAll() {
    PasteboardContents contents;
    contents.state = PasteboardContents::State::unreadable;
    co_return contents;
}

QCoro::Task<std::optional<QString>> NoPasteboard::selectedText() {
    co_return std::nullopt;
}

QCoro::Task<bool> NoPasteboard::writeAll(PasteboardContents /*contents*/) {
    co_return false;
}

QCoro::Task<bool> NoPasteboard::writeText(QString /*text*/, std::uint64_t /*targetWindow*/) {
    co_return false;
}
