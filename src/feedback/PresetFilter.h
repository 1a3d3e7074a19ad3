#pragma once

#include "settings/StylePreset.h"

#include <QList>
#include <QLocale>
#include <QString>

// Which styles the prompt panel lists for what the user typed: all of them for an empty query,
// otherwise those whose name contains it, ignoring case as the user's language does. Only the
// name is searched, never the instructions. Stored order is kept.
namespace PresetFilter {

QList<int> matching(const QList<StylePreset>& presets, const QString& typed,
                    const QLocale& locale = QLocale());

} // namespace PresetFilter
