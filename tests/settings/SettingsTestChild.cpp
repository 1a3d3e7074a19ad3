// Stand-in for another run of the application, driven by the settings tests:
//   die-writing PATH   starts writing a large value to PATH and is killed by the kernel
//                      halfway through the bytes (file-size limit, SIGXFSZ)
//   preset-ids [save]  prints the ids of the presets it reads, after saving them if asked
#include "settings/Preferences.h"
#include "settings/SettingsStore.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/resource.h>

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "die-writing") == 0) {
        Preferences preferences(QString::fromLocal8Bit(argv[2]));
        std::signal(SIGXFSZ, SIG_DFL);
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 64 * 1024;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        preferences.setText(QStringLiteral("filler"), QString(1'000'000, u'x'));
        return 0; // only reached if the write was not cut short
    }
    if (argc >= 2 && std::strcmp(argv[1], "preset-ids") == 0) {
        SettingsStore& store = SettingsStore::shared();
        if (argc == 3 && std::strcmp(argv[2], "save") == 0) {
            store.setPresets(store.presets());
        }
        for (const StylePreset& preset : store.presets()) {
            std::printf("%s\n", qPrintable(StylePreset::idText(preset.id)));
        }
        return 0;
    }
    return 2;
}
