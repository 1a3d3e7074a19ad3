#include "support/TempHome.h"

#include <QDir>

TempHome::TempHome() {
    set("HOME", m_dir.path());
    set("XDG_CONFIG_HOME", configHome());
    set("XDG_STATE_HOME", stateHome());
    set("XDG_DATA_HOME", m_dir.path() + QStringLiteral("/data"));
    set("XDG_CACHE_HOME", m_dir.path() + QStringLiteral("/cache"));
}

TempHome::~TempHome() {
    for (const auto& [name, value] : m_saved) {
        if (value) {
            qputenv(name.constData(), *value);
        } else {
            qunsetenv(name.constData());
        }
    }
}

void TempHome::set(const char* name, const QString& value) {
    if (!m_saved.count(name)) {
        m_saved[name] =
            qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt;
    }
    qputenv(name, QFile::encodeName(value));
}
