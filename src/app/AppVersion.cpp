#include "app/AppVersion.h"

#include "app/BuildInfo.h"

namespace {

QString orFallback(const char* value, const char* fallback) {
    const QString text = QString::fromUtf8(value).trimmed();
    return text.isEmpty() ? QString::fromUtf8(fallback) : text;
}

} // namespace

namespace AppVersion {

QString shortVersion() {
    return orFallback(PALIMO_VERSION_SHORT, "dev");
}

QString build() {
    return orFallback(PALIMO_VERSION_BUILD, "0");
}

} // namespace AppVersion
