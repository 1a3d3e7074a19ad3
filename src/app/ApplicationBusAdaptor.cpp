#include "app/ApplicationBusAdaptor.h"

#include "app/SingleInstance.h"

ApplicationBusAdaptor::ApplicationBusAdaptor(SingleInstance* instance)
    : QDBusAbstractAdaptor(instance)
    , m_instance(instance) {}

void ApplicationBusAdaptor::Activate(const QVariantMap& /*platformData*/) {
    m_instance->activated();
}

void ApplicationBusAdaptor::Open(const QStringList& /*uris*/, const QVariantMap& /*platformData*/) {
    m_instance->activated();
}

void ApplicationBusAdaptor::ActivateAction(const QString& /*name*/,
                                           const QVariantList& /*parameter*/,
                                           const QVariantMap& /*platformData*/) {
    m_instance->activated();
}
