#pragma once

#include "settings/Preferences.h"
#include "settings/SettingsStore.h"
#include "support/TempHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

// The one model whose prices are known.
inline const QString mini = u"gpt-4o-mini"_s;

// A settings file in a fresh home, the preferences over it and the store on top.
class SettingsFixture : public testing::Test {
protected:
    void handEdit(const QByteArray& bytes) { writeFile(path, bytes); }
    QJsonObject onDisk() const { return QJsonDocument::fromJson(readFile(path)).object(); }
    QString folder() const { return QFileInfo(path).absolutePath(); }
    QStringList folderEntries() const {
        return QDir(folder()).entryList(QDir::Files | QDir::Hidden);
    }

    TempHome home;
    QString path = Preferences::defaultFilePath();
    Preferences preferences{path};
    SettingsStore store{preferences};
};
