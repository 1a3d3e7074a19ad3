#pragma once

#include <QString>

// The version strings printed by --version and shown in the about box.
namespace AppVersion {

// The marketing version, e.g. "0.1.0"; "dev" when the build set none.
QString shortVersion();
// The build number; "0" when the build set none.
QString build();

} // namespace AppVersion
