#include "platform/linux/WlrFrontApplication.h"

#include "runtime/MainQueue.h"
#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

#include <algorithm>
#include <cstring>
#include <spdlog/spdlog.h>
#include <wayland-client.h>

namespace monctl {
namespace {

constexpr std::uint32_t newestVersion = 3;
constexpr const char* managerInterface = "zwlr_foreign_toplevel_manager_v1";

using Toplevel = WlrFrontApplication::Toplevel;

Toplevel& toplevelOf(void* data) {
    return *static_cast<Toplevel*>(data);
}

void ignoreTitle(void*, zwlr_foreign_toplevel_handle_v1*, const char*) {}
void ignoreOutput(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
void ignoreParent(void*, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1*) {}

void appIdChanged(void* data, zwlr_foreign_toplevel_handle_v1*, const char* appId) {
    toplevelOf(data).pendingAppId = appId ? appId : "";
}

void stateChanged(void* data, zwlr_foreign_toplevel_handle_v1*, wl_array* states) {
    const auto* first = static_cast<const std::uint32_t*>(states->data);
    const auto* last = first + states->size / sizeof(std::uint32_t);
    toplevelOf(data).pendingActivated =
        std::find(first, last, ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED) != last;
}

void toplevelCompleted(void* data, zwlr_foreign_toplevel_handle_v1*) {
    auto& toplevel = toplevelOf(data);
    toplevel.watch->toplevelDone(toplevel);
}

void toplevelGone(void* data, zwlr_foreign_toplevel_handle_v1*) {
    auto& toplevel = toplevelOf(data);
    toplevel.watch->toplevelClosed(toplevel);
}

const zwlr_foreign_toplevel_handle_v1_listener toplevelListener{
    ignoreTitle,  appIdChanged,      ignoreOutput, ignoreOutput,
    stateChanged, toplevelCompleted, toplevelGone, ignoreParent};

void toplevelAnnounced(void* data, zwlr_foreign_toplevel_manager_v1*,
                       zwlr_foreign_toplevel_handle_v1* handle) {
    static_cast<WlrFrontApplication*>(data)->toplevelAdded(handle);
}

void listEnded(void* data, zwlr_foreign_toplevel_manager_v1*) {
    static_cast<WlrFrontApplication*>(data)->listFinished();
}

const zwlr_foreign_toplevel_manager_v1_listener managerListener{toplevelAnnounced, listEnded};

void globalAdded(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                 std::uint32_t version) {
    if (std::strcmp(interface, managerInterface) == 0)
        static_cast<WlrFrontApplication*>(data)->managerAnnounced(registry, name, version);
}

void globalRemoved(void*, wl_registry*, std::uint32_t) {}

const wl_registry_listener registryListener{globalAdded, globalRemoved};

// Why the compositor does not announce the list (empty when it does), asked on a connection
// that ends at once.
std::string whyNoList() {
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        return QT_TRANSLATE_NOOP("monctl::AboutBox", "the Wayland compositor cannot be reached");
    bool offered = false;
    const wl_registry_listener listener{
        [](void* data, wl_registry*, std::uint32_t, const char* interface, std::uint32_t) {
            if (std::strcmp(interface, managerInterface) == 0)
                *static_cast<bool*>(data) = true;
        },
        globalRemoved};
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &listener, &offered);
    wl_display_roundtrip(display);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    if (!offered)
        return QT_TRANSLATE_NOOP("monctl::AboutBox",
                                 "the compositor offers no wlroots foreign-toplevel list");
    return {};
}

} // namespace

Opened<WlrFrontApplication> WlrFrontApplication::open() {
    if (auto whyNot = whyNoList(); !whyNot.empty())
        return Opened<WlrFrontApplication>::missing(std::move(whyNot));
    return std::unique_ptr<WlrFrontApplication>(new WlrFrontApplication());
}

WlrFrontApplication::~WlrFrontApplication() {
    stop();
}

void WlrFrontApplication::start() {
    assertMainThread();
    if (m_display)
        return;
    m_display = wl_display_connect(nullptr);
    if (!m_display) {
        spdlog::warn("The window in front cannot be watched: the compositor cannot be reached");
        return;
    }
    m_front = {};
    m_registry = wl_display_get_registry(m_display);
    wl_registry_add_listener(m_registry, &registryListener, this);
    // The registry, then the list's first toplevels and their state.
    wl_display_roundtrip(m_display);
    wl_display_roundtrip(m_display);
    if (!m_manager) {
        spdlog::warn("The compositor no longer offers its foreign-toplevel list");
        stop();
        return;
    }
    m_watch =
        MainQueue::shared()->watchReadable(wl_display_get_fd(m_display), [this] { readEvents(); });
    tellFront();
}

void WlrFrontApplication::stop() {
    m_watch.reset();
    for (auto& toplevel : m_toplevels)
        zwlr_foreign_toplevel_handle_v1_destroy(toplevel.handle);
    m_toplevels.clear();
    m_activated = nullptr;
    if (m_manager)
        zwlr_foreign_toplevel_manager_v1_destroy(m_manager);
    m_manager = nullptr;
    if (m_registry)
        wl_registry_destroy(m_registry);
    m_registry = nullptr;
    if (m_display)
        wl_display_disconnect(m_display);
    m_display = nullptr;
}

// A change of the window in front comes as two toplevels' states, each complete on its own:
// what is in front is told once all the events read are handled.
void WlrFrontApplication::readEvents() {
    if (wl_display_dispatch(m_display) < 0) {
        spdlog::warn("The compositor closed the connection that watched the window in front");
        stop();
        return;
    }
    wl_display_flush(m_display);
    tellFront();
}

void WlrFrontApplication::managerAnnounced(wl_registry* registry, std::uint32_t name,
                                           std::uint32_t version) {
    if (m_manager)
        return;
    m_manager = static_cast<zwlr_foreign_toplevel_manager_v1*>(
        wl_registry_bind(registry, name, &zwlr_foreign_toplevel_manager_v1_interface,
                         std::min(version, newestVersion)));
    zwlr_foreign_toplevel_manager_v1_add_listener(m_manager, &managerListener, this);
}

void WlrFrontApplication::toplevelAdded(zwlr_foreign_toplevel_handle_v1* handle) {
    auto& toplevel = m_toplevels.emplace_back(Toplevel{this, handle, {}, {}, false, false});
    zwlr_foreign_toplevel_handle_v1_add_listener(handle, &toplevelListener, &toplevel);
}

// A toplevel's changes count once the compositor says they are complete.
void WlrFrontApplication::toplevelDone(Toplevel& toplevel) {
    toplevel.appId = toplevel.pendingAppId;
    toplevel.activated = toplevel.pendingActivated;
    if (toplevel.activated)
        m_activated = &toplevel;
    else if (m_activated == &toplevel)
        m_activated = nullptr;
}

void WlrFrontApplication::toplevelClosed(Toplevel& toplevel) {
    if (m_activated == &toplevel)
        m_activated = nullptr;
    zwlr_foreign_toplevel_handle_v1_destroy(toplevel.handle);
    m_toplevels.remove_if([&](const Toplevel& listed) { return &listed == &toplevel; });
}

void WlrFrontApplication::listFinished() {
    zwlr_foreign_toplevel_manager_v1_destroy(m_manager);
    m_manager = nullptr;
}

void WlrFrontApplication::tellFront() {
    const FrontWindow front{m_activated ? m_activated->appId : std::string(), {}};
    if (front == m_front || !m_display)
        return;
    m_front = front;
    changed.notify(front);
}

} // namespace monctl
