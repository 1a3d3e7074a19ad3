#include "client/ModelSetting.h"

#include "settings/Preferences.h"

#include <QtGlobal>

namespace ModelSetting {

QString choose(const std::optional<QString>& environment,
               const std::optional<QString>& preference) {
    for (const std::optional<QString>& candidate : {environment, preference}) {
        if (candidate && !candidate->trimmed().isEmpty()) {
            return candidate->trimmed();
        }
    }
    return QString::fromLatin1(defaultModel);
}

QString configured() {
    std::optional<QString> environment;
    if (qEnvironmentVariableIsSet(environmentVariable)) {
        environment = qEnvironmentVariable(environmentVariable);
    }
    const Preferences preferences(Preferences::defaultFilePath());
    return choose(environment, preferences.text(QString::fromLatin1(preferenceKey)));
}

} // namespace ModelSetting
