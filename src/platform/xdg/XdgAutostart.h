#pragma once

#include "platform/LoginItems.h"

#include <QString>
#include <QStringList>

// Start at login through an XDG autostart entry, $XDG_CONFIG_HOME/autostart/palimo.desktop,
// which every freedesktop session (GNOME, KDE, Xfce, LXQt, ...) reads at login.
//
// The state is read back from the files each time, so an entry the user removed or edited by
// hand is shown as it is. An entry installed system-wide ($XDG_CONFIG_DIRS/autostart) is
// switched off the XDG way: with a user entry that says Hidden=true.
class XdgAutostart final : public LoginItems {
public:
    // `executable` is what the entry starts: the running program's absolute path.
    // `installedEntry`, when given and readable, is the desktop entry installed with that
    // program; the autostart entry is a copy of it (name, icon, translations) that starts
    // `executable`.
    explicit XdgAutostart(QString executable, QString installedEntry = {});

    bool isEnabled() const override;
    std::optional<QString> setEnabled(bool enabled) override;

    // The user's entry, whether it exists or not.
    static QString userEntryPath();
    // The entry's text; `hidden` writes one that switches a system-wide entry off. `base` is
    // an installed entry to copy; without one the entry is written from scratch.
    static QByteArray entryText(const QString& executable, bool hidden, const QString& base = {});
    // The Exec value that runs `executable` with no arguments, quoted and escaped as the
    // desktop entry format wants.
    static QString execValue(const QString& executable);

private:
    static QStringList systemEntryPaths();
    std::optional<QString> write(const QByteArray& text) const;

    QString installedText() const;

    QString m_executable;
    QString m_installedEntry;
};
