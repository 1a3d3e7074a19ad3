#include "app/ApplicationBusAdaptor.h"

#include "app/SingleInstance.h"
#include "base/Log.h"

ApplicationBusAdaptor::ApplicationBusAdaptor(SingleInstance* instance)
    : QDBusAbstractAdaptor(instance)
    , m_instance(instance) {}

void ApplicationBusAdaptor::Activate(const QVariantMap& /*platformData*/) {
    m_instance->activated();
}

void ApplicationBusAdaptor::Open(const QStringList& /*uris*/, const QVariantMap& /*platformData*/) {
    m_instance->activated();
}

void ApplicationBusAdaptor::ActivateAction(const QString& name, const QVariantList& /*parameter*/,
                                           const QVariantMap& /*platformData*/) {
    // A launcher's action that this version does not know (say a later "quit") must not be
    // taken for another one.
    if (name != settingsAction) {
        Log::error(QStringLiteral("Ignored the unknown action \"%1\".").arg(name));
        return;
    }
    m_instance->activated();
}
