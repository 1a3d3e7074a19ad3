#pragma once

#include "client/OpenAIClient.h"
#include "settings/KeychainStore.h"
#include "settings/Preferences.h"
#include "settings/SettingsStore.h"
#include "settingswindow/SettingsModel.h"
#include "support/FakeLoginItems.h"
#include "support/FakeProvider.h"
#include "support/FakeSecretStore.h"
#include "support/TempHome.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;

// The one model whose prices are known.
inline const QString mini = u"gpt-4o-mini"_s;

// A settings model over a fresh settings file, an in-memory keyring, a fake provider for key
// tests and an in-memory autostart. The model is made on first use, so a test can prepare
// what it reads at creation.
class SettingsWindowFixture : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(provider.listen()); }

    SettingsModel& model() {
        if (!m_model) {
            m_model = std::make_unique<SettingsModel>(store, keychain, client, loginItems);
            m_model->setOnHotkeyChanged([this] { ++hotkeyChanges; });
            m_model->setOnRecordingChanged([this](bool on) { recordings << on; });
        }
        return *m_model;
    }
    OpenAIClient::Options clientOptions() {
        OpenAIClient::Options options;
        options.baseAddress = [this] { return base.isEmpty() ? provider.baseAddress() : base; };
        return options;
    }
    QJsonObject onDisk() const {
        QFile file(preferences.filePath());
        return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object()
                                              : QJsonObject();
    }
    std::optional<QByteArray> storedKey() const {
        return secrets.stored(KeychainStore::serviceName, KeychainStore::accountName);
    }

    TempHome home;
    Preferences preferences{Preferences::defaultFilePath()};
    SettingsStore store{preferences};
    FakeSecretStore secrets;
    KeychainStore keychain{secrets};
    FakeProvider provider;
    QString base; // empty: the fake provider's own address
    OpenAIClient client{clientOptions()};
    FakeLoginItems loginItems;
    int hotkeyChanges = 0;
    QList<bool> recordings;

private:
    std::unique_ptr<SettingsModel> m_model;
};
