#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// secret-tool, libsecret's command line, as an independent view of the session's keyring.
namespace SecretTool {

// The attributes QtKeychain gives an item: server = service, user = account.
QStringList itemAttributes(const QString& service, const QString& account);
// The same plus the schema and type QtKeychain adds to an item it stores as text, so that it
// finds items created here.
QStringList qtKeychainTextItem(const QString& service, const QString& account);

bool store(const QStringList& attributes, const QByteArray& secret);
std::optional<QByteArray> lookup(const QStringList& attributes);
int count(const QStringList& attributes);
void clear(const QStringList& attributes);

} // namespace SecretTool
