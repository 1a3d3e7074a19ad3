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
    if (environment && !environment->trimmed().isEmpty()) {
        return environment->trimmed();
    }
    const Preferences preferences(Preferences::defaultFilePath());
    if (preferences.hidesValueOf(QString::fromLatin1(preferenceKey))) {
        return QString();
    }
    return choose(std::nullopt, preferences.text(QString::fromLatin1(preferenceKey)));
}

QString unknownReason() {
    return QStringLiteral("the settings file %1 cannot be read, so the model to ask for is "
                          "unknown; fix or remove the file, or set %2")
        .arg(Preferences::defaultFilePath(), QString::fromLatin1(environmentVariable));
}

} // namespace ModelSetting
