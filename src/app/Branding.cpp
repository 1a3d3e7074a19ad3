#include "app/Branding.h"

#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QSoundEffect>
#include <QUrl>

// The resources live in a static library, whose registration the linker would otherwise drop.
static void initBrandingResources() {
    Q_INIT_RESOURCE(resources);
}

namespace {

constexpr int menuBarSize = 18;

void ensureResources() {
    static const bool done = (initBrandingResources(), true);
    (void)done;
}

bool readable(const QString& resource) {
    ensureResources();
    return QFile::exists(resource) && QImageReader(resource).canRead();
}

// Stands in for the mark when the resource is gone, so the tray never shows an empty slot.
QIcon drawnCheckMark() {
    QPixmap pixmap(menuBarSize * 2, menuBarSize * 2);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(QColor(0x33, 0x33, 0x33));
    pen.setWidthF(3.5);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    painter.setPen(pen);
    painter.drawLine(QPointF(5, 8), QPointF(22, 8));
    painter.drawLine(QPointF(5, 15), QPointF(17, 15));
    QPainterPath check;
    check.moveTo(16, 25);
    check.lineTo(21, 30);
    check.lineTo(31, 18);
    painter.drawPath(check);
    painter.end();
    pixmap.setDevicePixelRatio(2.0);
    return QIcon(pixmap);
}

QSoundEffect* cachedSound(const QString& resource, QSoundEffect*& slot, bool& loaded) {
    if (!loaded) {
        loaded = true;
        slot = Branding::loadSound(resource);
    }
    return slot;
}

} // namespace

namespace Branding {

QColor accent() {
    return QColor::fromRgbF(0.44F, 0.33F, 0.89F, 1.0F);
}

QIcon menuBarImage(const QString& resource) {
    if (!readable(resource)) {
        return drawnCheckMark();
    }
    QIcon icon;
    icon.addPixmap(QIcon(resource).pixmap(menuBarSize, menuBarSize));
    icon.addPixmap(QIcon(resource).pixmap(menuBarSize * 2, menuBarSize * 2));
    icon.setIsMask(true);
    return icon;
}

QIcon menuBarImage() {
    return menuBarImage(menuBarIconResource);
}

std::optional<QIcon> markImage(const QString& resource) {
    if (!readable(resource)) {
        return std::nullopt;
    }
    QIcon icon(resource);
    icon.setIsMask(true);
    return icon;
}

std::optional<QIcon> markImage() {
    return markImage(menuBarIconResource);
}

QSoundEffect* loadSound(const QString& resource) {
    ensureResources();
    if (!QFile::exists(resource)) {
        return nullptr;
    }
    // Lives for the rest of the process, like the sounds of a bundle.
    auto* sound = new QSoundEffect();
    sound->setSource(QUrl(QStringLiteral("qrc") + resource));
    return sound;
}

QSoundEffect* doneSound() {
    static QSoundEffect* sound = nullptr;
    static bool loaded = false;
    return cachedSound(doneSoundResource, sound, loaded);
}

QSoundEffect* cancelledSound() {
    static QSoundEffect* sound = nullptr;
    static bool loaded = false;
    return cachedSound(cancelledSoundResource, sound, loaded);
}

} // namespace Branding
