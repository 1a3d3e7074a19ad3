// palimo-clipboard-probe: puts known contents on the CLIPBOARD and reads it back byte for byte,
// for the system tests and the soak.
//   own TEXT HTML PNG-FILE   take the clipboard with text/plain, text/html and image/png and keep
//                            serving it (prints "owned") until killed
//   own-files NAME=FILE...   the same with these formats (Qt serves them, large ones by INCR)
//   serve MS NAME=FILE...    the same from a slow owner: every format answered MS late
//   clear                    leave the clipboard without an owner
//   dump                     one line per data format: NAME SIZE SHA-256 TYPE, sorted; "empty"
//                            when the clipboard has no owner or no data, "unreadable" when its
//                            owner did not answer
#include "SlowOwner.h"

#include "platform/x11/ClipboardOwner.h"
#include "platform/x11/ClipboardReader.h"

#include <QApplication>
#include <QClipboard>
#include <QCryptographicHash>
#include <QFile>
#include <QMimeData>
#include <QTimer>

#include <cstdio>
#include <future>
#include <optional>

namespace {

// NAME=FILE arguments from index first on; nothing when a file cannot be read.
std::optional<SlowOwner::Formats> formatFiles(const QStringList& args, qsizetype first) {
    SlowOwner::Formats formats;
    for (const QString& arg : args.mid(first)) {
        QFile file(arg.section(u'=', 1));
        if (!file.open(QIODevice::ReadOnly)) {
            return std::nullopt;
        }
        formats.insert(arg.section(u'=', 0, 0).toLatin1(), file.readAll());
    }
    return formats;
}

void announceOwned() {
    std::printf("owned\n");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString mode = args.value(1);
    std::optional<SlowOwner::Formats> owned;
    if (mode == QLatin1String("own")) {
        QFile png(args.value(4));
        if (png.open(QIODevice::ReadOnly)) {
            owned = SlowOwner::Formats{{"text/plain", args.value(2).toUtf8()},
                                       {"text/html", args.value(3).toUtf8()},
                                       {"image/png", png.readAll()}};
        }
    } else if (mode == QLatin1String("own-files")) {
        owned = formatFiles(args, 2);
    }
    if (owned) {
        auto* data = new QMimeData;
        for (auto it = owned->constBegin(); it != owned->constEnd(); ++it) {
            data->setData(QString::fromLatin1(it.key()), it.value());
        }
        QApplication::clipboard()->setMimeData(data);
        // Qt sends the ownership request from its event loop: say so once it has gone out.
        QTimer::singleShot(100, &app, announceOwned);
        return app.exec();
    }
    if (mode == QLatin1String("serve")) {
        const std::optional<SlowOwner::Formats> formats = formatFiles(args, 3);
        if (!formats) {
            return 2;
        }
        SlowOwner owner(*formats, std::chrono::milliseconds(args.value(2).toInt()));
        if (!owner.own()) {
            return 1;
        }
        announceOwned();
        return app.exec();
    }
    if (mode == QLatin1String("clear")) {
        std::promise<bool> cleared;
        ClipboardOwner owner({});
        owner.set({}, [&cleared](bool ok) { cleared.set_value(ok); });
        return cleared.get_future().get() ? 0 : 1;
    }
    if (mode == QLatin1String("dump")) {
        // Patient, unlike Palimo: the reference to compare with must not miss a slow format.
        const PasteboardContents contents =
            ClipboardReader({std::chrono::seconds(3), std::chrono::seconds(20),
                             ClipboardReader::Limits().maxFormatBytes,
                             ClipboardReader::Limits().maxTotalBytes})
                .readAll()
                .contents;
        const PasteboardItem item = contents.items.value(0);
        if (contents.state == PasteboardContents::State::unreadable) {
            std::printf("unreadable\n");
        } else if (item.isEmpty()) {
            std::printf("empty\n");
        }
        for (auto it = item.constBegin(); it != item.constEnd(); ++it) {
            const QByteArray sha = QCryptographicHash::hash(*it, QCryptographicHash::Sha256);
            std::printf("%s %lld %s %s\n", qPrintable(it.key()), static_cast<long long>(it->size()),
                        sha.toHex().constData(),
                        qPrintable(contents.types.value(it.key(), it.key())));
        }
        return 0;
    }
    std::fprintf(stderr, "usage: palimo-clipboard-probe own TEXT HTML PNG | own-files NAME=FILE... "
                         "| serve MS NAME=FILE... | clear | dump\n");
    return 2;
}
