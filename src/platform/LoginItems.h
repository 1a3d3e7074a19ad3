#pragma once

#include <QString>

#include <optional>

// Starting Palimo when the user logs in to the desktop.
class LoginItems {
public:
    LoginItems() = default;
    LoginItems(const LoginItems&) = delete;
    LoginItems& operator=(const LoginItems&) = delete;
    virtual ~LoginItems() = default;

    // Whether the desktop will start Palimo at the next login, as it would read it now.
    virtual bool isEnabled() const = 0;
    // Turns the start at login on or off. Nothing on success; otherwise the reason, as a
    // sentence fragment for a log line ("Permission denied while writing ..."), and the
    // state stays what isEnabled() reports.
    virtual std::optional<QString> setEnabled(bool enabled) = 0;
};
