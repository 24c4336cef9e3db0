#pragma once

#include "platform/FrontApplicationWatch.h"
#include "runtime/Backend.h"
#include "runtime/DescriptorWatch.h"

#include <QtGlobal>
#include <list>
#include <memory>

struct wl_display;
struct wl_registry;
struct zwlr_foreign_toplevel_manager_v1;
struct zwlr_foreign_toplevel_handle_v1;

namespace monctl {

// The window in front on a wlroots compositor (sway, Hyprland, ...): the toplevel of its
// foreign-toplevel list whose state holds "activated", by its app id, on a Wayland connection
// of its own.
class WlrFrontApplication final : public FrontApplicationWatch {
public:
    // None, with the reason, when the compositor cannot be reached or offers no such list.
    static Opened<WlrFrontApplication> open();
    ~WlrFrontApplication() override;

    void start() override;
    void stop() override;
    bool isWatching() const override { return m_display != nullptr; }
    std::string backendName() const override {
        return QT_TRANSLATE_NOOP("monctl::AboutBox", "wlroots foreign-toplevel list");
    }

    struct Toplevel {
        WlrFrontApplication* watch;
        zwlr_foreign_toplevel_handle_v1* handle;
        std::string appId;
        std::string pendingAppId;
        bool activated = false;
        bool pendingActivated = false;
    };
    // Called from the protocol's listeners.
    void managerAnnounced(wl_registry* registry, std::uint32_t name, std::uint32_t version);
    void toplevelAdded(zwlr_foreign_toplevel_handle_v1* handle);
    void toplevelDone(Toplevel& toplevel);
    void toplevelClosed(Toplevel& toplevel);
    void listFinished();

private:
    WlrFrontApplication() = default;
    void readEvents();
    void tellFront();

    wl_display* m_display = nullptr;
    wl_registry* m_registry = nullptr;
    zwlr_foreign_toplevel_manager_v1* m_manager = nullptr;
    std::list<Toplevel> m_toplevels;
    const Toplevel* m_activated = nullptr;
    std::unique_ptr<DescriptorWatch> m_watch;
    FrontWindow m_front;
};

} // namespace monctl
