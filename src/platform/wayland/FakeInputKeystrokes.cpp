#include "platform/wayland/FakeInputKeystrokes.h"

#include "platform/wayland/EvdevKeys.h"
#include "platform/wayland/WaylandConnection.h"

#include "fake-input-client-protocol.h"

#include <QFuture>

#include <qcoro/qcorofuture.h>

namespace {

constexpr std::uint32_t pressed = 1;
constexpr std::uint32_t released = 0;
constexpr std::uint32_t keysSince = 4;

} // namespace

std::unique_ptr<FakeInputKeystrokes>
FakeInputKeystrokes::create(std::shared_ptr<WaylandConnection> wayland) {
    if (!wayland ||
        wayland->boundVersion(&org_kde_kwin_fake_input_interface, keysSince) < keysSince) {
        return nullptr;
    }
    auto* input = static_cast<org_kde_kwin_fake_input*>(
        wayland->bind(&org_kde_kwin_fake_input_interface, keysSince));
    org_kde_kwin_fake_input_authenticate(input, "Palimo",
                                         "Presses Copy and Paste to rewrite selected text");
    wayland->flush();
    return std::unique_ptr<FakeInputKeystrokes>(new FakeInputKeystrokes(std::move(wayland), input));
}

FakeInputKeystrokes::FakeInputKeystrokes(std::shared_ptr<WaylandConnection> wayland,
                                         org_kde_kwin_fake_input* input)
    : m_wayland(std::move(wayland))
    , m_input(input) {}

FakeInputKeystrokes::~FakeInputKeystrokes() {
    wl_proxy_destroy(reinterpret_cast<wl_proxy*>(m_input));
    m_wayland->flush();
}

bool FakeInputKeystrokes::isAvailable() const {
    return m_wayland->isAlive();
}

QCoro::Task<bool> FakeInputKeystrokes::modifiersHeld() {
    co_return false;
}

QCoro::Task<bool> FakeInputKeystrokes::post(Command command) {
    if (!isAvailable()) {
        co_return false;
    }
    for (const std::uint32_t modifier : EvdevKeys::modifiers) {
        org_kde_kwin_fake_input_keyboard_key(m_input, modifier, released);
    }
    const std::uint32_t key = EvdevKeys::keyFor(command);
    org_kde_kwin_fake_input_keyboard_key(m_input, EvdevKeys::leftCtrl, pressed);
    org_kde_kwin_fake_input_keyboard_key(m_input, key, pressed);
    org_kde_kwin_fake_input_keyboard_key(m_input, key, released);
    org_kde_kwin_fake_input_keyboard_key(m_input, EvdevKeys::leftCtrl, released);
    QFuture<bool> handled = m_wayland->whenHandled();
    const bool ok = co_await handled;
    co_return ok;
}
