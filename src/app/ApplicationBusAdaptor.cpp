#include "app/ApplicationBusAdaptor.h"

#include "app/SingleInstance.h"
#include "base/Log.h"

#include <QDBusConnection>

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
                                           const QVariantMap& /*platformData*/,
                                           const QDBusMessage& message) {
    if (name == settingsAction) {
        m_instance->activated();
        return;
    }
    if (m_instance->runAction(name)) {
        return;
    }
    // An action that this version does not know (say a later "quit") must not be taken for
    // another one, nor answered as if it had been done.
    Log::error(QStringLiteral("Ignored the unknown action \"%1\".").arg(name));
    message.setDelayedReply(true);
    QDBusConnection::sessionBus().send(message.createErrorReply(
        QDBusError::NotSupported, QStringLiteral("Palimo has no action \"%1\".").arg(name)));
}
