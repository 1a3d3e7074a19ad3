#include "SecretTool.h"

#include <QProcess>

#include <algorithm>

namespace {

struct Run {
    bool ok = false;
    QByteArray out;
};

Run secretTool(const QStringList& arguments, const QByteArray& input = {}) {
    QProcess process;
    process.start(QStringLiteral("secret-tool"), arguments);
    if (!process.waitForStarted(5000)) {
        return {};
    }
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(1000);
        return {};
    }
    return {process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0,
            process.readAllStandardOutput()};
}

} // namespace

namespace SecretTool {

QStringList itemAttributes(const QString& service, const QString& account) {
    return {QStringLiteral("server"), service, QStringLiteral("user"), account};
}

QStringList qtKeychainTextItem(const QString& service, const QString& account) {
    return itemAttributes(service, account) +
           QStringList{QStringLiteral("xdg:schema"), QStringLiteral("org.qt.keychain"),
                       QStringLiteral("type"), QStringLiteral("plaintext")};
}

bool store(const QStringList& attributes, const QByteArray& secret) {
    return secretTool(QStringList{QStringLiteral("store"), QStringLiteral("--label=palimo test")} +
                          attributes,
                      secret)
        .ok;
}

std::optional<QByteArray> lookup(const QStringList& attributes) {
    Run run = secretTool(QStringList{QStringLiteral("lookup")} + attributes);
    if (!run.ok) {
        return std::nullopt;
    }
    return run.out;
}

int count(const QStringList& attributes) {
    const Run run =
        secretTool(QStringList{QStringLiteral("search"), QStringLiteral("--all")} + attributes);
    const QList<QByteArray> lines = run.out.split('\n');
    return static_cast<int>(std::count_if(
        lines.begin(), lines.end(), [](const QByteArray& line) { return line.startsWith('['); }));
}

void clear(const QStringList& attributes) {
    secretTool(QStringList{QStringLiteral("clear")} + attributes);
}

} // namespace SecretTool
