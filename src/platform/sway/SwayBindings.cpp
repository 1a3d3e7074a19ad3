#include "platform/sway/SwayBindings.h"

#include "hotkey/Key.h"
#include "hotkey/KeyPosition.h"
#include "hotkey/ModifierFlags.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QStringList>

#include <xkbcommon/xkbcommon.h>

#include <array>
#include <memory>

namespace {

// Compiled once: that takes milliseconds, and Escape is registered again at every run.
xkb_keymap* usKeymap() {
    static const std::unique_ptr<xkb_keymap, decltype(&xkb_keymap_unref)> keymap(
        [] {
            xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
            if (context == nullptr) {
                return static_cast<xkb_keymap*>(nullptr);
            }
            const xkb_rule_names names{"evdev", "pc105", "us", "", ""};
            xkb_keymap* compiled =
                xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
            xkb_context_unref(context); // the keymap holds its own reference
            return compiled;
        }(),
        xkb_keymap_unref);
    return keymap.get();
}

// The key symbol at the position on a US keyboard, unshifted, by its XKB name ("r", "Escape").
std::optional<QString> usSymbolName(std::uint32_t xKeyCode) {
    xkb_keymap* keymap = usKeymap();
    if (keymap == nullptr) {
        return std::nullopt;
    }
    const xkb_keysym_t* symbols = nullptr;
    if (xkb_keymap_key_get_syms_by_level(keymap, xKeyCode, 0, 0, &symbols) < 1) {
        return std::nullopt;
    }
    std::array<char, 64> name{};
    if (xkb_keysym_get_name(symbols[0], name.data(), name.size()) <= 0) {
        return std::nullopt;
    }
    return QString::fromLatin1(name.data());
}

// Modifiers first, in one order and by one name each, then the key.
QString normalized(const QString& combo, bool byCode) {
    static const QHash<QString, QString> aliases{
        {QStringLiteral("control"), QStringLiteral("ctrl")},
        {QStringLiteral("alt"), QStringLiteral("mod1")},
        {QStringLiteral("logo"), QStringLiteral("mod4")},
        {QStringLiteral("caps"), QStringLiteral("lock")},
    };
    static const QStringList order{QStringLiteral("shift"), QStringLiteral("lock"),
                                   QStringLiteral("ctrl"),  QStringLiteral("mod1"),
                                   QStringLiteral("mod2"),  QStringLiteral("mod3"),
                                   QStringLiteral("mod4"),  QStringLiteral("mod5")};
    QStringList parts = combo.toLower().split(QLatin1Char('+'), Qt::SkipEmptyParts);
    if (parts.isEmpty()) {
        return {};
    }
    const QString key = parts.takeLast();
    QStringList modifiers;
    for (const QString& part : parts) {
        modifiers.append(aliases.value(part, part));
    }
    std::sort(modifiers.begin(), modifiers.end(), [](const QString& a, const QString& b) {
        return order.indexOf(a) < order.indexOf(b);
    });
    modifiers.append((byCode ? QStringLiteral("#") : QString()) + key);
    return modifiers.join(QLatin1Char('+'));
}

QString expandIncludes(const QString& configText, const QString& configDirectory, int depth) {
    static const QRegularExpression environmentVariable(QStringLiteral("\\$(\\w+)"));
    // Includes of includes, but never a loop.
    constexpr int deepest = 4;
    constexpr qint64 largestFile = 1 << 20;
    QStringList lines;
    for (const QString& line : configText.split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed();
        if (depth >= deepest || !trimmed.startsWith(QLatin1String("include "))) {
            lines.append(line);
            continue;
        }
        QString pattern = trimmed.mid(8).trimmed().remove(QLatin1Char('"'));
        for (const QRegularExpressionMatch& match : environmentVariable.globalMatch(pattern)) {
            pattern.replace(match.captured(0), qEnvironmentVariable(match.captured(1).toLatin1()));
        }
        if (pattern.startsWith(QLatin1String("~/"))) {
            pattern = QDir::homePath() + pattern.mid(1);
        } else if (QDir::isRelativePath(pattern)) {
            pattern = configDirectory + QLatin1Char('/') + pattern;
        }
        const QFileInfo where(pattern);
        const QDir folder = where.dir();
        for (const QString& name : folder.entryList({where.fileName()}, QDir::Files, QDir::Name)) {
            QFile file(folder.filePath(name));
            if (file.open(QIODevice::ReadOnly)) {
                lines.append(expandIncludes(QString::fromUtf8(file.read(largestFile)),
                                            configDirectory, depth + 1));
            }
        }
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

namespace SwayBindings {

QString withIncludes(const QString& configText, const QString& configDirectory) {
    return expandIncludes(configText, configDirectory, 0);
}

std::optional<Combo> combo(std::uint32_t carbonKeyCode, std::uint32_t carbonModifiers) {
    const std::optional<Key> key = Key::fromCarbonKeyCode(carbonKeyCode);
    const std::optional<std::uint8_t> code = key ? KeyPosition::xKeyCode(*key) : std::nullopt;
    const std::optional<QString> symbol = code ? usSymbolName(*code) : std::nullopt;
    if (!symbol) {
        return std::nullopt;
    }
    const ModifierFlags flags = ModifierFlags::fromCarbonFlags(carbonModifiers);
    QString modifiers;
    const std::array<std::pair<std::uint64_t, const char*>, 4> names{{
        {ModifierFlag::shift, "Shift+"},
        {ModifierFlag::control, "Ctrl+"},
        {ModifierFlag::option, "Mod1+"},
        {ModifierFlag::command, "Mod4+"},
    }};
    for (const auto& [flag, name] : names) {
        if (flags.contains(flag)) {
            modifiers += QLatin1String(name);
        }
    }
    return Combo{modifiers + *symbol, modifiers + QString::number(*code)};
}

QSet<QString> configuredBindings(const QString& configText) {
    static const QRegularExpression variable(QStringLiteral("\\$\\w+"));
    QHash<QString, QString> variables;
    QSet<QString> bindings;
    int depth = 0;
    for (const QString& rawLine : configText.split(QLatin1Char('\n'))) {
        const QString line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) {
            continue;
        }
        QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.first() == QLatin1String("}")) {
            depth = std::max(0, depth - 1);
            continue;
        }
        if (line.endsWith(QLatin1Char('{'))) {
            ++depth;
            continue;
        }
        if (words.size() >= 3 && words.first() == QLatin1String("set")) {
            variables.insert(words.at(1), words.mid(2).join(QLatin1Char(' ')));
            continue;
        }
        const bool bySymbol = words.first() == QLatin1String("bindsym");
        if (depth > 0 || (!bySymbol && words.first() != QLatin1String("bindcode"))) {
            continue;
        }
        words.removeFirst();
        while (!words.isEmpty() && words.first().startsWith(QLatin1String("--"))) {
            words.removeFirst();
        }
        if (words.isEmpty()) {
            continue;
        }
        QString keys = words.first();
        // Longest names first, so $modifier is not read as $mod followed by "ifier".
        QStringList names = variables.keys();
        std::sort(names.begin(), names.end(),
                  [](const QString& a, const QString& b) { return a.size() > b.size(); });
        for (const QString& name : names) {
            keys.replace(name, variables.value(name));
        }
        if (!keys.contains(variable)) {
            bindings.insert(normalized(keys, !bySymbol));
        }
    }
    return bindings;
}

bool isBound(const QSet<QString>& configured, const Combo& combo) {
    return configured.contains(normalized(combo.symbols, false)) ||
           configured.contains(normalized(combo.code, true));
}

} // namespace SwayBindings
