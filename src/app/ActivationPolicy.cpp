#include "app/ActivationPolicy.h"

namespace {

int holderCount = 0;
ActivationPolicy::Policy policy = ActivationPolicy::Policy::accessory;
std::function<void(ActivationPolicy::Policy)> changeHandler;

void switchTo(ActivationPolicy::Policy next) {
    policy = next;
    if (changeHandler) {
        changeHandler(next);
    }
}

} // namespace

namespace ActivationPolicy {

void acquire() {
    ++holderCount;
    if (holderCount == 1) {
        switchTo(Policy::regular);
    }
}

void release() {
    if (holderCount == 0) {
        return;
    }
    --holderCount;
    if (holderCount == 0) {
        switchTo(Policy::accessory);
    }
}

int holders() {
    return holderCount;
}

Policy current() {
    return policy;
}

void setOnChange(std::function<void(Policy)> onChange) {
    changeHandler = std::move(onChange);
}

void reset() {
    holderCount = 0;
    policy = Policy::accessory;
}

} // namespace ActivationPolicy
