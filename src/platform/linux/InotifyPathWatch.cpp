#include "runtime/MainQueue.h"
#include "serial/PathWatch.h"

#include <array>
#include <cerrno>
#include <map>
#include <sys/inotify.h>
#include <unistd.h>

namespace monctl::platform {
namespace {

constexpr std::uint32_t changes =
    IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF;

class InotifyPathWatch final : public PathWatch {
public:
    InotifyPathWatch(int descriptor, std::function<void()> changed)
        : m_descriptor(descriptor), m_changed(std::move(changed)) {
        m_watch = MainQueue::shared()->watchReadable(m_descriptor, [this] { readEvents(); });
    }

    ~InotifyPathWatch() override {
        m_watch.reset();
        ::close(m_descriptor);
    }

    InotifyPathWatch(const InotifyPathWatch&) = delete;
    InotifyPathWatch& operator=(const InotifyPathWatch&) = delete;

    bool watch(const std::set<std::string>& paths) override {
        bool allWatched = true;
        for (auto known = m_watches.begin(); known != m_watches.end();) {
            if (paths.count(known->first) == 0) {
                ::inotify_rm_watch(m_descriptor, known->second);
                known = m_watches.erase(known);
            } else {
                ++known;
            }
        }
        for (const auto& path : paths) {
            // Adding a path again is harmless: the kernel gives back the same watch.
            const int added = ::inotify_add_watch(m_descriptor, path.c_str(), changes);
            if (added >= 0) {
                m_watches[path] = added;
            } else {
                m_watches.erase(path);
                allWatched = allWatched && errno == ENOENT;
            }
        }
        return allWatched;
    }

private:
    // One call for all the events read: the owner looks at every path again anyway.
    void readEvents() {
        alignas(inotify_event) std::array<char, 4096> buffer{};
        bool any = false;
        for (;;) {
            const ssize_t count = ::read(m_descriptor, buffer.data(), buffer.size());
            if (count > 0) {
                any = true;
                continue;
            }
            if (count < 0 && errno == EINTR)
                continue;
            break;
        }
        if (any)
            m_changed();
    }

    const int m_descriptor;
    std::function<void()> m_changed;
    std::unique_ptr<DescriptorWatch> m_watch;
    std::map<std::string, int> m_watches;
};

} // namespace

std::unique_ptr<PathWatch> watchPaths(std::function<void()> changed) {
    const int descriptor = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (descriptor < 0)
        return nullptr;
    return std::make_unique<InotifyPathWatch>(descriptor, std::move(changed));
}

} // namespace monctl::platform
