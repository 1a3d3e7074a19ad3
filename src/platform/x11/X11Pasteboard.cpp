#include "platform/x11/X11Pasteboard.h"

#include "base/Log.h"
#include "platform/x11/ClipboardReader.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPointer>

#include <algorithm>

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

X11Pasteboard::~X11Pasteboard() {
    handOverToClipboardManager();
}

void X11Pasteboard::handOverToClipboardManager() {
    switch (m_owner->handOver(std::chrono::seconds(3))) {
    case ClipboardOwner::HandOver::nothingToHand:
        break;
    case ClipboardOwner::HandOver::noManager:
        Log::info(QStringLiteral("No clipboard manager is running, so the clipboard Palimo holds "
                                 "empties as Palimo quits."));
        break;
    case ClipboardOwner::HandOver::handedOver:
        Log::info(QStringLiteral("Handed the clipboard over to the clipboard manager."));
        break;
    case ClipboardOwner::HandOver::failed:
        Log::error(QStringLiteral("The clipboard manager did not take the clipboard."));
        break;
    }
}

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
    if (!m_reader || !m_reader->isConnected()) {
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

QCoro::Task<PasteboardContents> X11Pasteboard::readAll() {
    const auto job = [this] { return reader().readAll(); };
    auto result = m_worker.start(job);
    ClipboardReader::Snapshot snapshot = co_await result;
    for (const auto& [format, why] : snapshot.dropped) {
        Log::info(QStringLiteral("The saved clipboard leaves out %1: %2.").arg(format, why));
    }
    co_return std::move(snapshot.contents);
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

QCoro::Task<bool> X11Pasteboard::writeAll(PasteboardContents saved) {
    if (saved.state == PasteboardContents::State::unreadable) {
        co_return false; // putting "nothing" there would wipe what it holds
    }
    ClipboardOwner::Contents contents;
    if (!saved.items.isEmpty()) {
        // X has one item per selection.
        const PasteboardItem& item = saved.items.first();
        for (auto it = item.constBegin(); it != item.constEnd(); ++it) {
            const QByteArray target = it.key().toLatin1();
            const QByteArray type = saved.types.value(it.key(), it.key()).toLatin1();
            contents.formats.append({target, type, it.value()});
        }
    }
    const bool ok = co_await put(std::move(contents));
    if (!ok) {
        Log::error(QStringLiteral("Could not put the saved clipboard back."));
    }
    co_return ok;
}

QCoro::Task<bool> X11Pasteboard::writeText(QString text, std::uint64_t targetWindow) {
    const QByteArray utf8 = text.toUtf8();
    ClipboardOwner::Contents contents;
    contents.reportFetches = true;
    contents.fetchingWindow = static_cast<XcbSupport::Window>(targetWindow);
    contents.formats = {
        {"UTF8_STRING", "UTF8_STRING", utf8},
        {"text/plain;charset=utf-8", "text/plain;charset=utf-8", utf8},
        {"text/plain", "text/plain", utf8},
        {"TEXT", "UTF8_STRING", utf8},
        // Clipboard history tools (Klipper, CopyQ and others) leave such contents out.
        {"x-kde-passwordManagerHint", "x-kde-passwordManagerHint", QByteArrayLiteral("secret")},
    };
    // STRING is Latin-1: offer it only when the text fits, rather than with "?" for the rest.
    const bool latin1 =
        std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() <= 0xff; });
    if (latin1) {
        contents.formats.append({"STRING", "STRING", text.toLatin1()});
    }
    const bool ok = co_await put(std::move(contents));
    if (!ok) {
        Log::error(QStringLiteral("Could not put the rewritten text on the clipboard."));
    }
    co_return ok;
}
