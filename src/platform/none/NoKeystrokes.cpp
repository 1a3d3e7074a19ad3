#include "platform/none/NoKeystrokes.h"

bool NoKeystrokes::isAvailable() const {
    return false;
}

QCoro::Task<bool> NoKeystrokes::modifiersHeld() {
    co_return false;
}

QCoro::Task<bool> NoKeystrokes::post(Command /*command*/) {
    co_return false;
}
