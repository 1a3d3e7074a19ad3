#include "platform/none/NoWorkspace.h"

QCoro::Task<std::optional<Workspace::ActiveWindow>> NoWorkspace::activeWindow() {
    co_return std::nullopt;
}

QCoro::Task<bool> NoWorkspace::activate(ActiveWindow /*window*/) {
    co_return false;
}
