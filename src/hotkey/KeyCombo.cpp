#include "hotkey/KeyCombo.h"

QString KeyCombo::description() const {
    QString text = modifiers().description();
    if (const std::optional<Key> known = key()) {
        text += known->description();
    }
    return text;
}
