#include "rewrite/TerminalApps.h"

#include <QSet>

namespace {

// Instance or class names of the terminal emulators packaged by the common distributions.
const QSet<QString>& knownTerminals() {
    static const QSet<QString> names = {
        QStringLiteral("xterm"),
        QStringLiteral("uxterm"),
        QStringLiteral("rxvt"),
        QStringLiteral("urxvt"),
        QStringLiteral("rxvt-unicode"),
        QStringLiteral("gnome-terminal"),
        QStringLiteral("gnome-terminal-server"),
        QStringLiteral("org.gnome.console"),
        QStringLiteral("kgx"),
        QStringLiteral("konsole"),
        QStringLiteral("xfce4-terminal"),
        QStringLiteral("mate-terminal"),
        QStringLiteral("lxterminal"),
        QStringLiteral("qterminal"),
        QStringLiteral("terminator"),
        QStringLiteral("tilix"),
        QStringLiteral("alacritty"),
        QStringLiteral("kitty"),
        QStringLiteral("st"),
        QStringLiteral("st-256color"),
        QStringLiteral("sakura"),
        QStringLiteral("terminology"),
        QStringLiteral("guake"),
        QStringLiteral("yakuake"),
        QStringLiteral("tilda"),
        QStringLiteral("wezterm"),
        QStringLiteral("org.wezfurlong.wezterm"),
        QStringLiteral("foot"),
        QStringLiteral("eterm"),
        QStringLiteral("aterm"),
        QStringLiteral("mlterm"),
        QStringLiteral("cool-retro-term"),
        QStringLiteral("deepin-terminal"),
        QStringLiteral("termite"),
        QStringLiteral("roxterm"),
        QStringLiteral("lxterm"),
        QStringLiteral("x-terminal-emulator"),
        QStringLiteral("ptyxis"),
        QStringLiteral("blackbox"),
        QStringLiteral("com.raggesilver.blackbox"),
        QStringLiteral("contour"),
        QStringLiteral("ghostty"),
        QStringLiteral("com.mitchellh.ghostty"),
        QStringLiteral("warp"),
        QStringLiteral("tabby"),
        QStringLiteral("hyper"),
        QStringLiteral("extraterm"),
        QStringLiteral("zutty"),
    };
    return names;
}

} // namespace

namespace TerminalApps {

bool isTerminalWindow(const std::optional<Workspace::ActiveWindow>& window) {
    if (!window) {
        return false;
    }
    return knownTerminals().contains(window->instanceName.toLower()) ||
           knownTerminals().contains(window->className.toLower());
}

} // namespace TerminalApps
