#pragma once

#include "client/OpenAIClient.h"
#include "settings/KeychainStore.h"
#include "settings/SettingsFixture.h"
#include "settingswindow/SettingsModel.h"
#include "support/FakeLoginItems.h"
#include "support/FakeProvider.h"
#include "support/FakeSecretStore.h"

#include <QLabel>
#include <QTest>

#include <memory>

// Whether a label under root, shown with it, says exactly this.
inline bool showsText(QWidget* root, const QString& text) {
    const QList<QLabel*> labels = root->findChildren<QLabel*>();
    return std::any_of(labels.begin(), labels.end(), [&](QLabel* label) {
        return label->isVisibleTo(root) && label->text() == text;
    });
}

// The settings of SettingsFixture with an in-memory keyring, a fake provider for key tests and
// an in-memory autostart. The model is made on first use, so a test can prepare what it reads
// at creation.
class SettingsWindowFixture : public SettingsFixture {
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
