#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

class SingleInstance;

// org.freedesktop.Application on the instance's object. Activating Palimo, opening anything
// with it, or its action "settings" opens its settings window; "rewrite" and "prompt" do what
// the two shortcuts do. An action it does not know is answered with an error, so the caller
// never takes it for done.
class ApplicationBusAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")
public:
    static inline const QString settingsAction = QStringLiteral("settings");
    static inline const QString rewriteAction = QStringLiteral("rewrite");
    static inline const QString promptAction = QStringLiteral("prompt");

    explicit ApplicationBusAdaptor(SingleInstance* instance);

public Q_SLOTS:
    // The method names are the interface's own.
    // NOLINTBEGIN(readability-identifier-naming)
    void Activate(const QVariantMap& platformData);
    void Open(const QStringList& uris, const QVariantMap& platformData);
    void ActivateAction(const QString& name, const QVariantList& parameter,
                        const QVariantMap& platformData, const QDBusMessage& message);
    // NOLINTEND(readability-identifier-naming)

private:
    SingleInstance* m_instance;
};
