#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

#include <optional>

class QSoundEffect;

// The brand's colour, marks and the two completion sounds, shipped as resources of the program.
// Nothing here fails: a missing resource gives an absent sound or mark, or the drawn fallback
// for the tray icon.
namespace Branding {

QColor accent();

// The tray icon, 18 x 18, named "Palimo" for screen readers; a drawn check mark when the
// resource is missing or unreadable. A new icon on each call.
QIcon menuBarImage();
// The same mark at its own size; nothing when the resource is missing.
std::optional<QIcon> markImage();

// Loaded once on first use; null when the resource is missing. Main thread only.
QSoundEffect* doneSound();
QSoundEffect* cancelledSound();

// Resource paths, exposed so the fallbacks can be exercised with a path that does not exist.
inline const QString menuBarIconResource = QStringLiteral(":/palimo/MenuBarIcon.svg");
inline const QString doneSoundResource = QStringLiteral(":/palimo/done.wav");
inline const QString cancelledSoundResource = QStringLiteral(":/palimo/cancelled.wav");

QIcon menuBarImage(const QString& resource);
std::optional<QIcon> markImage(const QString& resource);
QSoundEffect* loadSound(const QString& resource);

} // namespace Branding
