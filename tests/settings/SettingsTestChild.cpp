// Another run of the application, started by the settings tests: `die-writing PATH` starts
// writing a large value to PATH and is killed by the kernel halfway through the bytes
// (file-size limit, SIGXFSZ).
#include "settings/Preferences.h"

#include <csignal>
#include <cstring>
#include <sys/resource.h>

int main(int argc, char** argv) {
    if (argc != 3 || std::strcmp(argv[1], "die-writing") != 0) {
        return 2;
    }
    Preferences preferences(QString::fromLocal8Bit(argv[2]));
    std::signal(SIGXFSZ, SIG_DFL);
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = 64 * 1024;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    preferences.setText(QStringLiteral("filler"), QString(1'000'000, u'x'));
    return 0; // only reached if the write was not cut short
}
