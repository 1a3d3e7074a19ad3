#include "feedback/PresetFilter.h"

namespace PresetFilter {

QList<int> matching(const QList<StylePreset>& presets, const QString& typed,
                    const QLocale& locale) {
    const QString query = locale.toLower(typed.trimmed());
    QList<int> indices;
    for (int i = 0; i < presets.size(); ++i) {
        if (query.isEmpty() || locale.toLower(presets[i].name).contains(query)) {
            indices.append(i);
        }
    }
    return indices;
}

} // namespace PresetFilter
