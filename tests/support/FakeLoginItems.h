#pragma once

#include "platform/LoginItems.h"

// Start at login kept in memory; can be told to refuse changes, as a desktop may.
class FakeLoginItems final : public LoginItems {
public:
    bool isEnabled() const override { return m_enabled; }
    std::optional<QString> setEnabled(bool enabled) override {
        ++m_calls;
        if (m_refusal) {
            return m_refusal;
        }
        m_enabled = enabled;
        return std::nullopt;
    }

    void refuse(std::optional<QString> reason) { m_refusal = std::move(reason); }
    void put(bool enabled) { m_enabled = enabled; }
    int calls() const { return m_calls; }

private:
    bool m_enabled = false;
    std::optional<QString> m_refusal;
    int m_calls = 0;
};
