#include "client/ModelSetting.h"

#include "settings/Preferences.h"

#include <QtGlobal>

namespace ModelSetting {

QString configured() {
    const QString environment = qEnvironmentVariable(environmentVariable).trimmed();
    if (!environment.isEmpty()) {
        return environment;
    }
    const Preferences preferences(Preferences::defaultFilePath());
    if (preferences.hidesValueOf(QString::fromLatin1(preferenceKey))) {
        return QString();
    }
    const QString preference =
        preferences.text(QString::fromLatin1(preferenceKey)).value_or(QString()).trimmed();
    return preference.isEmpty() ? QString::fromLatin1(defaultModel) : preference;
}

QString unknownReason() {
    return QStringLiteral("the settings file %1 cannot be read, so the model to ask for is "
                          "unknown; fix or remove the file, or set %2")
        .arg(Preferences::defaultFilePath(), QString::fromLatin1(environmentVariable));
}

} // namespace ModelSetting
