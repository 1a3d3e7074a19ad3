#pragma once

#include <QString>

// Where the API key field stands: nothing tested yet, a test in flight, accepted, or refused
// with the text to show.
struct KeyState {
    enum class Kind { untested, checking, valid, failed };

    Kind kind = Kind::untested;
    QString message; // only for failed

    static KeyState untested() { return {}; }
    static KeyState checking() { return {Kind::checking, {}}; }
    static KeyState valid() { return {Kind::valid, {}}; }
    static KeyState failed(QString message) { return {Kind::failed, std::move(message)}; }

    // Two failures are equal when their texts are; the other states by kind alone.
    friend bool operator==(const KeyState& a, const KeyState& b) {
        return a.kind == b.kind && (a.kind != Kind::failed || a.message == b.message);
    }
};
