#include "app/CommandLine.h"

#include "app/AppVersion.h"
#include "settings/Log.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

void print(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

namespace CommandLine {

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i) {
        args << QString::fromLocal8Bit(argv[i]);
    }
    if (args.contains(QStringLiteral("--version")) || args.contains(QStringLiteral("-v"))) {
        print(stdout, QStringLiteral("Palimo %1 (%2)\n")
                          .arg(AppVersion::shortVersion(), AppVersion::build()));
        return 0;
    }
    QCoreApplication app(argc, argv);
    Log::info(QStringLiteral("The application is not wired yet."));
    return 0;
}

} // namespace CommandLine
