#pragma once

#include <QDBusAbstractAdaptor>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

class SingleInstance;

// org.freedesktop.Application on the instance's object. Activating Palimo, opening anything
// with it, or its one action "settings" opens its settings window.
class ApplicationBusAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")
public:
    static inline const QString settingsAction = QStringLiteral("settings");

    explicit ApplicationBusAdaptor(SingleInstance* instance);

public Q_SLOTS:
    // The method names are the interface's own.
    // NOLINTBEGIN(readability-identifier-naming)
    void Activate(const QVariantMap& platformData);
    void Open(const QStringList& uris, const QVariantMap& platformData);
    void ActivateAction(const QString& name, const QVariantList& parameter,
                        const QVariantMap& platformData);
    // NOLINTEND(readability-identifier-naming)

private:
    SingleInstance* m_instance;
};
