#include "platform/wayland/DataControlPasteboard.h"

#include "base/Log.h"
#include "platform/wayland/PipeTransfer.h"
#include "platform/wayland/WaylandConnection.h"

#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <QDeadlineTimer>
#include <QPointer>
#include <QtConcurrent/QtConcurrentRun>

#include <qcoro/qcorofuture.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Preferred first: the forms that carry UTF-8 by definition.
const QStringList textFormats = {QStringLiteral("text/plain;charset=utf-8"),
                                 QStringLiteral("UTF8_STRING"), QStringLiteral("text/plain"),
                                 QStringLiteral("TEXT"), QStringLiteral("STRING")};

QString decodeText(const QString& format, const QByteArray& bytes) {
    return format == QLatin1String("STRING") ? QString::fromLatin1(bytes)
                                             : QString::fromUtf8(bytes);
}

} // namespace

struct DataControlPasteboard::Offer {
    zwlr_data_control_offer_v1* proxy = nullptr;
    QStringList formats;
    ~Offer() {
        if (proxy != nullptr) {
            zwlr_data_control_offer_v1_destroy(proxy);
        }
    }
};

struct DataControlPasteboard::Source {
    DataControlPasteboard* owner = nullptr;
    zwlr_data_control_source_v1* proxy = nullptr;
    QMap<QString, QByteArray> formats;
    bool reportFetches = false;
    bool cancelled = false;
    ~Source() {
        if (proxy != nullptr) {
            zwlr_data_control_source_v1_destroy(proxy);
        }
    }
};

struct DataControlPasteboard::Transfer {
    std::optional<QByteArray> bytes;
    QString failure; // why there are none, for the log
};

// The C listeners of the protocol objects, forwarding to the pasteboard.
struct DataControlListeners {
    static void offerFormat(void* data, zwlr_data_control_offer_v1* /*offer*/,
                            const char* mimeType) {
        static_cast<DataControlPasteboard::Offer*>(data)->formats.append(
            QString::fromUtf8(mimeType));
    }
    static constexpr zwlr_data_control_offer_v1_listener offerListener = {offerFormat};

    static void dataOffer(void* data, zwlr_data_control_device_v1* /*device*/,
                          zwlr_data_control_offer_v1* proxy) {
        auto made = std::make_shared<DataControlPasteboard::Offer>();
        made->proxy = proxy;
        zwlr_data_control_offer_v1_add_listener(proxy, &offerListener, made.get());
        static_cast<DataControlPasteboard*>(data)->offerIntroduced(std::move(made));
    }
    static void selection(void* data, zwlr_data_control_device_v1* /*device*/,
                          zwlr_data_control_offer_v1* proxy) {
        static_cast<DataControlPasteboard*>(data)->selectionChanged(proxy, false);
    }
    static void primarySelection(void* data, zwlr_data_control_device_v1* /*device*/,
                                 zwlr_data_control_offer_v1* proxy) {
        static_cast<DataControlPasteboard*>(data)->selectionChanged(proxy, true);
    }
    static void finished(void* data, zwlr_data_control_device_v1* /*device*/) {
        auto* self = static_cast<DataControlPasteboard*>(data);
        self->m_deviceGone = true;
        Log::error(QStringLiteral("The compositor ended Palimo's clipboard access."));
    }
    static constexpr zwlr_data_control_device_v1_listener deviceListener = {
        dataOffer, selection, finished, primarySelection};

    static void send(void* data, zwlr_data_control_source_v1* /*source*/, const char* mimeType,
                     std::int32_t fd) {
        auto* source = static_cast<DataControlPasteboard::Source*>(data);
        source->owner->sourceAsked(*source, QString::fromUtf8(mimeType), fd);
    }
    static void cancelled(void* data, zwlr_data_control_source_v1* /*source*/) {
        auto* source = static_cast<DataControlPasteboard::Source*>(data);
        source->owner->sourceCancelled(*source);
    }
    static constexpr zwlr_data_control_source_v1_listener sourceListener = {send, cancelled};
};

std::unique_ptr<DataControlPasteboard>
DataControlPasteboard::create(std::shared_ptr<WaylandConnection> wayland) {
    if (!wayland || wayland->seat() == nullptr ||
        !wayland->offers(zwlr_data_control_manager_v1_interface.name)) {
        return nullptr;
    }
    return std::unique_ptr<DataControlPasteboard>(new DataControlPasteboard(std::move(wayland)));
}

DataControlPasteboard::DataControlPasteboard(std::shared_ptr<WaylandConnection> wayland)
    : m_wayland(std::move(wayland)) {
    // A paste target that closes its end early must cost one failed write, not the process.
    std::signal(SIGPIPE, SIG_IGN);
    m_readers.setMaxThreadCount(1);
    m_writers.setMaxThreadCount(4);
    m_manager = static_cast<zwlr_data_control_manager_v1*>(
        m_wayland->bind(&zwlr_data_control_manager_v1_interface, 2));
    m_hasPrimary = m_wayland->boundVersion(&zwlr_data_control_manager_v1_interface, 2) >= 2;
    m_device = zwlr_data_control_manager_v1_get_data_device(m_manager, m_wayland->seat());
    zwlr_data_control_device_v1_add_listener(m_device, &DataControlListeners::deviceListener, this);
    // The first selection arrives in answer to the binding: read it before anyone asks.
    m_wayland->roundTrip();
}

DataControlPasteboard::~DataControlPasteboard() {
    m_readers.waitForDone();
    m_writers.waitForDone();
    m_introduced.clear();
    m_selection.reset();
    m_primary.reset();
    m_ownSource.reset();
    if (m_device != nullptr) {
        zwlr_data_control_device_v1_destroy(m_device);
    }
    if (m_manager != nullptr) {
        zwlr_data_control_manager_v1_destroy(m_manager);
    }
    m_wayland->flush();
}

bool DataControlPasteboard::holdsOwnWrite() const {
    return m_ownSource && !m_ownSource->cancelled;
}

int DataControlPasteboard::subscribe(std::function<void()> callback) {
    m_subscribers.emplace(++m_nextId, std::move(callback));
    return m_nextId;
}

void DataControlPasteboard::unsubscribe(int id) {
    m_subscribers.erase(id);
}

void DataControlPasteboard::notify() {
    const auto subscribers = m_subscribers; // a callback may unsubscribe
    for (const auto& [id, callback] : subscribers) {
        callback();
    }
}

void DataControlPasteboard::offerIntroduced(std::shared_ptr<Offer> offer) {
    void* key = offer->proxy;
    m_introduced[key] = std::move(offer);
}

void DataControlPasteboard::selectionChanged(void* offerProxy, bool primary) {
    std::shared_ptr<Offer> offer;
    if (const auto it = m_introduced.find(offerProxy); it != m_introduced.end()) {
        offer = std::move(it->second);
        m_introduced.erase(it);
    }
    // A read in progress keeps its own reference; the old offer is destroyed after it.
    (primary ? m_primary : m_selection) = std::move(offer);
    if (!primary) {
        ++m_changeCount;
        notify();
    }
}

void DataControlPasteboard::sourceAsked(Source& source, const QString& format, int fd) {
    const auto it = source.formats.constFind(format);
    if (it == source.formats.constEnd()) {
        ::close(fd);
        return;
    }
    const QByteArray bytes = it.value();
    const std::chrono::milliseconds limit = m_limits.serve;
    QThreadPool* writers = &m_writers;
    writers->start([fd, bytes, limit] { PipeTransfer::writeAll(fd, bytes, limit); });
    // Wayland does not say who asks, so any fetch of the text counts (see writeText).
    if (source.reportFetches && textFormats.contains(format)) {
        ++m_fetchCount;
        notify();
    }
}

void DataControlPasteboard::sourceCancelled(Source& source) {
    source.cancelled = true;
    if (&source != m_ownSource.get()) {
        return;
    }
    m_ownSource.reset();
}

QCoro::Task<DataControlPasteboard::Transfer>
DataControlPasteboard::receive(std::shared_ptr<Offer> offer, QString format,
                               std::chrono::milliseconds timeout, qint64 maxBytes) {
    if (!offer) {
        co_return Transfer{std::nullopt, QStringLiteral("nothing is on offer")};
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        co_return Transfer{std::nullopt, QStringLiteral("no pipe could be made")};
    }
    zwlr_data_control_offer_v1_receive(offer->proxy, format.toUtf8().constData(), fds[1]);
    m_wayland->flush();
    ::close(fds[1]); // the compositor passed its own copy on to the source
    const int readEnd = fds[0];
    QFuture<PipeTransfer::Read> future =
        QtConcurrent::run(&m_readers, [readEnd, timeout, maxBytes] {
            return PipeTransfer::readAll(readEnd, timeout, maxBytes);
        });
    // Named: GCC 12 destroys class-type temporaries inside a co_await expression twice.
    const PipeTransfer::Read read = co_await future;
    switch (read.outcome) {
    case PipeTransfer::Read::Outcome::complete:
        co_return Transfer{read.bytes, {}};
    case PipeTransfer::Read::Outcome::timedOut:
        co_return Transfer{
            std::nullopt,
            QStringLiteral("the owner did not answer within %1 ms").arg(timeout.count())};
    case PipeTransfer::Read::Outcome::tooLarge:
        co_return Transfer{std::nullopt,
                           QStringLiteral("it is larger than %1 bytes").arg(maxBytes)};
    case PipeTransfer::Read::Outcome::failed:
        break;
    }
    co_return Transfer{std::nullopt, QStringLiteral("reading it failed")};
}

QCoro::Task<QStringList> DataControlPasteboard::formats() {
    co_return m_selection ? m_selection->formats : QStringList();
}

QCoro::Task<std::optional<QByteArray>> DataControlPasteboard::data(QString format) {
    if (!m_selection || !m_selection->formats.contains(format)) {
        co_return std::nullopt;
    }
    Transfer transfer =
        co_await receive(m_selection, format, m_limits.perFormat, m_limits.maxFormatBytes);
    co_return transfer.bytes;
}

QCoro::Task<std::optional<QString>> DataControlPasteboard::textOf(std::shared_ptr<Offer> offer) {
    if (!offer) {
        co_return std::nullopt;
    }
    for (const QString& format : textFormats) {
        if (offer->formats.contains(format)) {
            Transfer transfer =
                co_await receive(offer, format, m_limits.perFormat, m_limits.maxFormatBytes);
            if (transfer.bytes) {
                co_return decodeText(format, *transfer.bytes);
            }
            co_return std::nullopt;
        }
    }
    co_return std::nullopt;
}

QCoro::Task<std::optional<QString>> DataControlPasteboard::text() {
    co_return co_await textOf(m_selection);
}

QCoro::Task<std::optional<QString>> DataControlPasteboard::selectedText() {
    if (!m_hasPrimary) {
        co_return std::nullopt;
    }
    co_return co_await textOf(m_primary);
}

QCoro::Task<PasteboardContents> DataControlPasteboard::readAll() {
    PasteboardContents contents;
    if (m_deviceGone || !m_wayland->isAlive()) {
        contents.state = PasteboardContents::State::unreadable;
        co_return contents;
    }
    const std::shared_ptr<Offer> offer = m_selection;
    if (!offer || offer->formats.isEmpty()) {
        co_return contents;
    }
    const QDeadlineTimer deadline(m_limits.total);
    qint64 total = 0;
    PasteboardItem item;
    QStringList unanswered;
    for (const QString& format : offer->formats) {
        const auto left = std::min(m_limits.perFormat, std::chrono::ceil<std::chrono::milliseconds>(
                                                           deadline.remainingTimeAsDuration()));
        if (left <= std::chrono::milliseconds::zero()) {
            Log::info(QStringLiteral("The saved clipboard leaves out %1: the whole read took "
                                     "longer than %2 ms.")
                          .arg(format)
                          .arg(m_limits.total.count()));
            continue;
        }
        const qint64 room = std::min(m_limits.maxFormatBytes, m_limits.maxTotalBytes - total);
        Transfer transfer = co_await receive(offer, format, left, room);
        if (m_selection != offer) {
            // A replaced offer answers with nothing at all; half of the old clipboard must not
            // be put back over what another application has just put there.
            Log::info(QStringLiteral("The clipboard changed while it was being saved."));
            contents.state = PasteboardContents::State::unreadable;
            co_return contents;
        }
        if (!transfer.bytes) {
            Log::info(QStringLiteral("The saved clipboard leaves out %1: %2.")
                          .arg(format, transfer.failure));
            unanswered << format;
            continue;
        }
        total += transfer.bytes->size();
        item.insert(format, *transfer.bytes);
    }
    if (item.isEmpty()) {
        // An owner that answered nothing at all is not an empty clipboard.
        contents.state = unanswered.isEmpty() ? PasteboardContents::State::empty
                                              : PasteboardContents::State::unreadable;
        co_return contents;
    }
    contents.state = PasteboardContents::State::data;
    contents.items.append(item);
    co_return contents;
}

QCoro::Task<bool> DataControlPasteboard::put(QList<std::pair<QString, QByteArray>> offered,
                                             bool reportFetches) {
    if (m_deviceGone || !m_wayland->isAlive()) {
        co_return false;
    }
    if (offered.isEmpty()) {
        m_ownSource.reset();
        zwlr_data_control_device_v1_set_selection(m_device, nullptr);
    } else {
        auto source = std::make_unique<Source>();
        source->owner = this;
        source->reportFetches = reportFetches;
        source->proxy = zwlr_data_control_manager_v1_create_data_source(m_manager);
        zwlr_data_control_source_v1_add_listener(
            source->proxy, &DataControlListeners::sourceListener, source.get());
        for (const auto& [format, bytes] : offered) {
            zwlr_data_control_source_v1_offer(source->proxy, format.toUtf8().constData());
            source->formats.insert(format, bytes);
        }
        zwlr_data_control_device_v1_set_selection(m_device, source->proxy);
        m_ownSource = std::move(source);
    }
    const QPointer<DataControlPasteboard> self(this);
    QFuture<bool> handled = m_wayland->whenHandled();
    const bool answered = co_await handled;
    if (!self || !answered) {
        co_return false;
    }
    co_return offered.isEmpty() || holdsOwnWrite();
}

QCoro::Task<bool> DataControlPasteboard::writeAll(PasteboardContents saved) {
    if (saved.state == PasteboardContents::State::unreadable) {
        co_return false; // putting "nothing" there would wipe what it holds
    }
    QList<std::pair<QString, QByteArray>> restored;
    if (!saved.items.isEmpty()) {
        // A Wayland selection is one item.
        const PasteboardItem& item = saved.items.first();
        for (auto it = item.constBegin(); it != item.constEnd(); ++it) {
            restored.append({it.key(), it.value()});
        }
    }
    const bool ok = co_await put(std::move(restored), false);
    if (!ok) {
        Log::error(QStringLiteral("Could not put the saved clipboard back."));
    }
    co_return ok;
}

QCoro::Task<bool> DataControlPasteboard::writeText(QString text, std::uint64_t /*targetWindow*/) {
    // Wayland does not say which client reads a selection, so every fetch of the text counts,
    // whoever makes it; the window check before the paste is what keeps the target right.
    const QByteArray utf8 = text.toUtf8();
    QList<std::pair<QString, QByteArray>> offered = {
        {QStringLiteral("text/plain;charset=utf-8"), utf8},
        {QStringLiteral("text/plain"), utf8},
        {QStringLiteral("UTF8_STRING"), utf8},
        {QStringLiteral("TEXT"), utf8},
        // Clipboard history tools (Klipper, CopyQ, cliphist and others) leave such contents out.
        {QStringLiteral("x-kde-passwordManagerHint"), QByteArrayLiteral("secret")},
    };
    const bool latin1 =
        std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() <= 0xff; });
    if (latin1) {
        offered.append({QStringLiteral("STRING"), text.toLatin1()});
    }
    const bool ok = co_await put(std::move(offered), true);
    if (!ok) {
        Log::error(QStringLiteral("Could not put the rewritten text on the clipboard."));
    }
    co_return ok;
}
