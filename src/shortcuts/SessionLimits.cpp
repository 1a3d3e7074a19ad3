#include "shortcuts/SessionLimits.h"

namespace {

// $XDG_CURRENT_DESKTOP is a colon-separated list, most specific first ("ubuntu:GNOME").
QString shortcutSettingsOf(const QString& desktop) {
    const QStringList names = desktop.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    if (names.contains(QLatin1String("GNOME"), Qt::CaseInsensitive)) {
        return QStringLiteral("Settings › Keyboard › Custom Shortcuts");
    }
    if (names.contains(QLatin1String("KDE"), Qt::CaseInsensitive)) {
        return QStringLiteral("System Settings › Shortcuts");
    }
    if (names.contains(QLatin1String("sway"), Qt::CaseInsensitive)) {
        return QStringLiteral("your sway config (bindsym … exec)");
    }
    return QStringLiteral("your desktop's keyboard settings");
}

} // namespace

namespace SessionLimits {

QStringList describe(const SessionAbilities& abilities, const QString& desktop) {
    QStringList lines;
    if (!abilities.globalShortcut) {
        lines << QStringLiteral("Palimo can't set up its own shortcuts in this session. In %1, "
                                "bind a shortcut to the command palimo --rewrite (and one to "
                                "palimo --prompt).")
                     .arg(shortcutSettingsOf(desktop));
    }
    if (clipboardOnly(abilities)) {
        lines << QStringLiteral("Palimo can't press Copy and Paste in other applications here. "
                                "Copy the text, press the shortcut, then paste: the rewrite is "
                                "put on the clipboard.");
    } else if (!abilities.clipboard) {
        lines << (abilities.keystrokes
                      ? QStringLiteral("Palimo can't reach the clipboard in this session, so it "
                                       "can't rewrite text here.")
                      : QStringLiteral("Palimo can't press Copy and Paste or reach the clipboard "
                                       "in this session, so it can't rewrite text here."));
    }
    return lines;
}

} // namespace SessionLimits
