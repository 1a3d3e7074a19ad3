#include "app/CommandLine.h"

#include "app/AppDelegate.h"
#include "app/AppVersion.h"
#include "app/ApplicationBusAdaptor.h"
#include "app/KeyInput.h"
#include "app/SingleInstance.h"
#include "base/Log.h"
#include "platform/secret/SecretServiceStore.h"
#include "settings/KeychainStore.h"

#include <QApplication>
#include <QCoreApplication>

#include <cstdio>

namespace {

void print(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

// Saving needs the keyring's D-Bus replies, hence an event loop, but no display.
int setKey(int argc, char** argv, const QString& key) {
    QCoreApplication app(argc, argv);
    SecretServiceStore secrets;
    KeychainStore keychain(secrets);
    KeychainStore::setShared(&keychain);
    const std::optional<KeychainError> error = QCoro::waitFor(keychain.setAPIKey(key));
    KeychainStore::setShared(nullptr);
    if (error) {
        print(stderr, error->description() + QLatin1Char('\n'));
        return 1;
    }
    print(stdout, QStringLiteral("API key saved to keychain.\n"));
    return 0;
}

// The running instance does the work; this process only needs the session bus.
int trigger(int argc, char** argv, const QString& action) {
    QCoreApplication app(argc, argv);
    const std::optional<QString> failure = SingleInstance::requestAction(action);
    if (failure) {
        print(stderr, *failure + QLatin1Char('\n'));
    }
    // WORKAROUND: Qt 6.4's D-Bus thread can still dispatch a message while the program's
    // static data is torn down at exit, and then warns "Trying to construct an instance of an
    // invalid type" (seen about once in twenty runs; no upstream report found). The answer is
    // known by now, so nothing Qt says from here on is for the user.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    return failure ? 1 : 0;
}

int startApplication(int argc, char** argv) {
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (!wayland && qEnvironmentVariableIsEmpty("DISPLAY")) {
        Log::error(QStringLiteral("Palimo needs a desktop session, and neither WAYLAND_DISPLAY "
                                  "nor DISPLAY is set."));
        return 1;
    }
    // In a Wayland session the X11 backends would reach only the X applications of XWayland,
    // and only while one of them has the focus: Palimo runs as a Wayland client there, and
    // says what that session does not let it do.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", wayland ? "wayland;xcb" : "xcb");
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Palimo"));
    QApplication::setApplicationVersion(AppVersion::shortVersion());
    // A tray utility: closing its last window must not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    SingleInstance instance;
    if (instance.claim() == SingleInstance::Claim::otherRunning) {
        return instance.activateRunning() ? 0 : 1;
    }
    AppDelegate delegate;
    if (!delegate.applicationDidFinishLaunching()) {
        return 1;
    }
    instance.setOnActivate([&delegate] { delegate.showSettings(); });
    instance.setOnAction(ApplicationBusAdaptor::rewriteAction,
                         [&delegate] { delegate.rewriteFromCommand(); });
    instance.setOnAction(ApplicationBusAdaptor::promptAction,
                         [&delegate] { delegate.promptFromCommand(); });
    return QApplication::exec();
}

} // namespace

namespace CommandLine {

Request parse(const QStringList& arguments) {
    if (arguments.contains(QStringLiteral("--version")) ||
        arguments.contains(QStringLiteral("-v"))) {
        return {Request::Action::PrintVersion, {}};
    }
    const qsizetype at = arguments.indexOf(QStringLiteral("--set-key"));
    if (at < 0) {
        for (const QString& argument : arguments) {
            if (argument == QLatin1String("--rewrite")) {
                return {Request::Action::TriggerRewrite, {}};
            }
            if (argument == QLatin1String("--prompt")) {
                return {Request::Action::TriggerPrompt, {}};
            }
        }
        return {};
    }
    if (at + 1 >= arguments.size()) {
        return {Request::Action::SetKeyUsage, {}};
    }
    return {Request::Action::SetKey, arguments.at(at + 1)};
}

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    const Request request = parse(arguments);
    switch (request.action) {
    case Request::Action::PrintVersion:
        print(stdout, QStringLiteral("Palimo %1 (%2)\n")
                          .arg(AppVersion::shortVersion(), AppVersion::build()));
        return 0;
    case Request::Action::SetKeyUsage:
        print(stderr, QStringLiteral("usage: Palimo --set-key <openai-api-key>\n"));
        return 2;
    case Request::Action::SetKey:
        if (request.key == QLatin1String("-")) {
            const std::optional<QString> typed = KeyInput::read();
            if (!typed) {
                print(stderr, QStringLiteral("No key given on standard input.\n"));
                return 2;
            }
            return setKey(argc, argv, *typed);
        }
        return setKey(argc, argv, request.key);
    case Request::Action::TriggerRewrite:
        return trigger(argc, argv, ApplicationBusAdaptor::rewriteAction);
    case Request::Action::TriggerPrompt:
        return trigger(argc, argv, ApplicationBusAdaptor::promptAction);
    case Request::Action::StartApplication:
        break;
    }
    return startApplication(argc, argv);
}

} // namespace CommandLine
