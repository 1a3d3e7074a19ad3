#include "platform/x11/X11Pasteboard.h"

#include "base/Log.h"
#include "platform/x11/ClipboardReader.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPointer>

std::unique_ptr<X11Pasteboard> X11Pasteboard::create() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        return nullptr;
    }
    std::unique_ptr<X11Pasteboard> pasteboard(new X11Pasteboard());
    if (!pasteboard->m_owner->isConnected()) {
        return nullptr;
    }
    return pasteboard;
}

X11Pasteboard::X11Pasteboard() {
    QPointer<X11Pasteboard> self(this);
    m_owner = std::make_unique<ClipboardOwner>([self] {
        // On the owner's thread: count on the main thread.
        QMetaObject::invokeMethod(
            self.data(),
            [self] {
                if (self) {
                    ++self->m_fetchCount;
                    self->notify();
                }
            },
            Qt::QueuedConnection);
    });
    connect(QGuiApplication::clipboard(), &QClipboard::changed, this,
            [this](QClipboard::Mode mode) {
                if (mode == QClipboard::Clipboard) {
                    ++m_changeCount;
                    notify();
                }
            });
}

X11Pasteboard::~X11Pasteboard() = default;

int X11Pasteboard::subscribe(std::function<void()> callback) {
    m_subscribers.emplace(++m_nextId, std::move(callback));
    return m_nextId;
}

void X11Pasteboard::unsubscribe(int id) {
    m_subscribers.erase(id);
}

void X11Pasteboard::notify() {
    const auto subscribers = m_subscribers; // a callback may unsubscribe
    for (const auto& [id, callback] : subscribers) {
        callback();
    }
}

ClipboardReader& X11Pasteboard::reader() {
    if (!m_reader) {
        m_reader = std::make_unique<ClipboardReader>();
    }
    return *m_reader;
}

// Each read below names its job and future: GCC 12 destroys class-type temporaries inside a
// co_await expression twice (GCC PR 100611).
QCoro::Task<QStringList> X11Pasteboard::formats() {
    const auto job = [this] { return reader().targets(); };
    auto result = m_worker.start(job);
    co_return co_await result;
}

QCoro::Task<std::optional<QByteArray>> X11Pasteboard::data(QString format) {
    const auto job = [this, format] { return reader().read(format); };
    auto result = m_worker.start(job);
    co_return co_await result;
}

QCoro::Task<std::optional<QString>> X11Pasteboard::text() {
    const auto job = [this] { return reader().readText(); };
    auto result = m_worker.start(job);
    co_return co_await result;
}

QCoro::Task<std::optional<QString>> X11Pasteboard::selectedText() {
    const auto job = [this] {
        if (!m_primaryReader) {
            m_primaryReader =
                std::make_unique<ClipboardReader>(ClipboardReader::Limits{}, "PRIMARY");
        }
        return m_primaryReader->readText();
    };
    auto result = m_worker.start(job);
    co_return co_await result;
}

QCoro::Task<QList<PasteboardItem>> X11Pasteboard::readAll() {
    const auto job = [this] { return reader().readAll(); };
    auto result = m_worker.start(job);
    co_return co_await result;
}

QCoro::Task<bool> X11Pasteboard::put(ClipboardOwner::Contents contents) {
    auto promise = std::make_shared<QPromise<bool>>();
    QFuture<bool> future = promise->future();
    promise->start();
    m_owner->set(std::move(contents), [promise](bool ok) {
        promise->addResult(ok);
        promise->finish();
    });
    const bool ok = co_await future;
    co_return ok;
}

QCoro::Task<bool> X11Pasteboard::writeAll(QList<PasteboardItem> items) {
    ClipboardOwner::Contents contents;
    if (!items.isEmpty()) {
        // X has one item per selection.
        const PasteboardItem& item = items.first();
        for (auto it = item.constBegin(); it != item.constEnd(); ++it) {
            const QByteArray target = it.key().toLatin1();
            QByteArray type = target;
            if (target == "TEXT") {
                // TEXT lets the owner pick the encoding; compound text starts its escapes with ESC.
                type = it.value().contains('\x1b') ? QByteArrayLiteral("COMPOUND_TEXT")
                                                   : QByteArrayLiteral("STRING");
            }
            contents.formats.append({target, type, it.value()});
        }
    }
    const bool ok = co_await put(std::move(contents));
    if (!ok) {
        Log::error(QStringLiteral("Could not put the saved clipboard back."));
    }
    co_return ok;
}

QCoro::Task<bool> X11Pasteboard::writeText(QString text) {
    const QByteArray utf8 = text.toUtf8();
    ClipboardOwner::Contents contents;
    contents.reportFetches = true;
    contents.formats = {
        {"UTF8_STRING", "UTF8_STRING", utf8},
        {"text/plain;charset=utf-8", "text/plain;charset=utf-8", utf8},
        {"text/plain", "text/plain", utf8},
        {"STRING", "STRING", text.toLatin1()},
        {"TEXT", "UTF8_STRING", utf8},
        // Clipboard history tools (Klipper, CopyQ and others) leave such contents out.
        {"x-kde-passwordManagerHint", "x-kde-passwordManagerHint", QByteArrayLiteral("secret")},
    };
    const bool ok = co_await put(std::move(contents));
    if (!ok) {
        Log::error(QStringLiteral("Could not put the rewritten text on the clipboard."));
    }
    co_return ok;
}
