#pragma once

#include "platform/Pasteboard.h"

#include <QObject>
#include <QThreadPool>

#include <map>
#include <memory>

class WaylandConnection;
struct zwlr_data_control_manager_v1;
struct zwlr_data_control_device_v1;
struct zwlr_data_control_source_v1;

// The seat's clipboard through the wlroots data-control protocol, which sway and KWin offer to
// clipboard tools: every format of the selection read byte for byte through a pipe on a worker
// thread (a silent or huge source costs a bounded wait, never the main thread), and contents
// Palimo puts there served from worker threads however busy the main thread is. The primary
// selection, where the compositor offers it, is the text selected anywhere. Main thread only.
// The clipboard Palimo holds lives as long as Palimo: Wayland has no hand-over at quit.
class DataControlPasteboard final : public QObject, public Pasteboard {
    Q_OBJECT
public:
    struct Limits : PasteboardReadLimits {
        std::chrono::milliseconds serve{5000}; // a paste that stops reading is cut off
    };

    // Null when the compositor has no data-control manager or no seat.
    static std::unique_ptr<DataControlPasteboard>
    create(std::shared_ptr<WaylandConnection> wayland);
    ~DataControlPasteboard() override;

    std::uint64_t changeCount() const override { return m_changeCount; }
    std::uint64_t fetchCount() const override { return m_fetchCount; }
    bool holdsOwnWrite() const override;
    int subscribe(std::function<void()> callback) override;
    void unsubscribe(int id) override;

    QCoro::Task<QStringList> formats() override;
    QCoro::Task<std::optional<QByteArray>> data(QString format) override;
    QCoro::Task<std::optional<QString>> text() override;
    QCoro::Task<PasteboardContents> readAll() override;
    QCoro::Task<std::optional<QString>> selectedText() override;
    QCoro::Task<bool> writeAll(PasteboardContents contents) override;
    QCoro::Task<bool> writeText(QString text, std::uint64_t targetWindow) override;

    struct Offer;
    struct Source;

private:
    explicit DataControlPasteboard(std::shared_ptr<WaylandConnection> wayland);
    // The bytes of one format of offer, or why not.
    struct Transfer;
    QCoro::Task<Transfer> receive(std::shared_ptr<Offer> offer, QString format,
                                  std::chrono::milliseconds timeout, qint64 maxBytes);
    QCoro::Task<std::optional<QString>> textOf(std::shared_ptr<Offer> offer);
    QCoro::Task<bool> put(QList<std::pair<QString, QByteArray>> offered, bool reportFetches);
    void notify();

    // Called from the protocol listeners.
    friend struct DataControlListeners;
    void offerIntroduced(std::shared_ptr<Offer> offer);
    void selectionChanged(void* offerProxy, bool primary);
    void sourceAsked(Source& source, const QString& format, int fd);
    void sourceCancelled(Source& source);

    std::shared_ptr<WaylandConnection> m_wayland;
    Limits m_limits;
    zwlr_data_control_manager_v1* m_manager = nullptr;
    zwlr_data_control_device_v1* m_device = nullptr;
    bool m_hasPrimary = false;
    std::map<void*, std::shared_ptr<Offer>> m_introduced; // offers not yet named a selection
    std::shared_ptr<Offer> m_selection;
    std::shared_ptr<Offer> m_primary;
    std::unique_ptr<Source> m_ownSource; // what Palimo put there, until another client replaces it
    bool m_deviceGone = false;
    std::uint64_t m_changeCount = 0;
    std::uint64_t m_fetchCount = 0;
    std::map<int, std::function<void()>> m_subscribers;
    int m_nextId = 0;
    QThreadPool m_readers; // one read at a time, in order
    QThreadPool m_writers; // pastes served side by side
};
