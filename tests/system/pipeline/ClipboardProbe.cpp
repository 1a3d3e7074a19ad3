// palimo-clipboard-probe: puts known contents on the CLIPBOARD and reads it back byte for byte,
// for the system tests.
//   own TEXT HTML PNG-FILE   take the clipboard with text/plain, text/html and image/png and keep
//                            serving it (prints "owned") until killed
//   clear                    leave the clipboard without an owner
//   dump                     one line per data format: NAME SIZE SHA-256, sorted; "empty" when
//                            the clipboard has no owner or no data
#include "platform/x11/ClipboardOwner.h"
#include "platform/x11/ClipboardReader.h"

#include <QApplication>
#include <QClipboard>
#include <QCryptographicHash>
#include <QFile>
#include <QMimeData>

#include <cstdio>
#include <future>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    QFile png(args.value(4));
    if (args.value(1) == QLatin1String("own") && png.open(QIODevice::ReadOnly)) {
        auto* data = new QMimeData;
        data->setData(QStringLiteral("text/plain"), args[2].toUtf8());
        data->setData(QStringLiteral("text/html"), args[3].toUtf8());
        data->setData(QStringLiteral("image/png"), png.readAll());
        QApplication::clipboard()->setMimeData(data);
        std::printf("owned\n");
        std::fflush(stdout);
        return app.exec();
    }
    if (args.value(1) == QLatin1String("clear")) {
        std::promise<bool> cleared;
        ClipboardOwner owner({});
        owner.set({}, [&cleared](bool ok) { cleared.set_value(ok); });
        return cleared.get_future().get() ? 0 : 1;
    }
    if (args.value(1) == QLatin1String("dump")) {
        const PasteboardItem item = ClipboardReader().readAll().value(0);
        if (item.isEmpty()) {
            std::printf("empty\n");
        }
        for (auto it = item.constBegin(); it != item.constEnd(); ++it) {
            const QByteArray sha = QCryptographicHash::hash(*it, QCryptographicHash::Sha256);
            std::printf("%s %lld %s\n", qPrintable(it.key()), static_cast<long long>(it->size()),
                        sha.toHex().constData());
        }
        return 0;
    }
    std::fprintf(stderr, "usage: palimo-clipboard-probe own TEXT HTML PNG | clear | dump\n");
    return 2;
}
