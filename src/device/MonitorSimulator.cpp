#include "device/MonitorSimulator.h"

#include "device/CommandFrame.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fmt/format.h>
#include <poll.h>
#include <random>
#include <system_error>
#include <unistd.h>

namespace monctl {
namespace {

constexpr std::size_t frameLength = CommandFrame::length;
constexpr auto splitPause = std::chrono::milliseconds(30);
constexpr auto writeStallLimit = std::chrono::milliseconds(1000);

int hexField(const std::string& frame, std::size_t at) {
    return std::stoi(frame.substr(at, 2), nullptr, 16);
}

bool isHexFrame(const std::string& frame) {
    return std::all_of(frame.begin(), frame.end(),
                       [](unsigned char c) { return std::isxdigit(c) != 0; });
}

} // namespace

MonitorSimulator::MonitorSimulator() : MonitorSimulator(Settings{}) {}

MonitorSimulator::MonitorSimulator(Settings initial, FrameObserver onFrame)
    : m_onFrame(std::move(onFrame)), m_settings(initial) {
    int ends[2];
    if (m_terminal.error())
        return;
    makeLink();
    if (::pipe2(ends, O_NONBLOCK | O_CLOEXEC) != 0) {
        m_pipeError = std::error_code(errno, std::system_category());
        return;
    }
    m_wakeRead = ends[0];
    m_wakeWrite = ends[1];
    m_thread = std::thread([this] { run(); });
}

MonitorSimulator::~MonitorSimulator() {
    removeLink();
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    if (!m_thread.joinable())
        return;
    wake();
    m_thread.join();
    ::close(m_wakeRead);
    ::close(m_wakeWrite);
}

std::string MonitorSimulator::deviceFrame(int type, int commandRe, int commandRq, int value) {
    return fmt::format("{}{:02X}{:02X}{:02X}{:02X}00000000{}", Protocol::marker, type & 0xFF,
                       commandRe & 0xFF, commandRq & 0xFF, value & 0xFF, Protocol::trailer);
}

void MonitorSimulator::wake() {
    const char signal = 1;
    (void)!::write(m_wakeWrite, &signal, 1);
}

void MonitorSimulator::setSilent(bool silent) {
    std::lock_guard lock(m_mutex);
    m_silent = silent;
}

void MonitorSimulator::setAnswerDelay(std::chrono::milliseconds delay) {
    std::lock_guard lock(m_mutex);
    m_answerDelay = delay;
}

void MonitorSimulator::setSplitAnswers(bool split) {
    std::lock_guard lock(m_mutex);
    m_splitAnswers = split;
}

void MonitorSimulator::setReadingPaused(bool paused) {
    {
        std::lock_guard lock(m_mutex);
        m_readingPaused = paused;
    }
    wake();
}

void MonitorSimulator::sendButton(int subCode) {
    sendRaw(deviceFrame(0x06, subCode));
}

void MonitorSimulator::sendSettingReport(int type, int value) {
    sendRaw(deviceFrame(type, value));
}

void MonitorSimulator::sendRaw(std::string bytes) {
    {
        std::lock_guard lock(m_mutex);
        schedule(std::move(bytes), std::chrono::milliseconds(0));
    }
    wake();
}

void MonitorSimulator::sendSplit(const std::string& frame, std::chrono::milliseconds pause) {
    const auto half = frame.size() / 2;
    {
        std::lock_guard lock(m_mutex);
        schedule(frame.substr(0, half), std::chrono::milliseconds(0));
        schedule(frame.substr(half), pause);
    }
    wake();
}

void MonitorSimulator::sendGarbage(std::size_t count) {
    std::mt19937 generator(std::random_device{}());
    std::uniform_int_distribution<int> byte(0, 255);
    std::string garbage(count, '\0');
    std::generate(garbage.begin(), garbage.end(),
                  [&] { return static_cast<char>(byte(generator)); });
    sendRaw(std::move(garbage));
}

void MonitorSimulator::makeLink() {
    m_linkPath = m_terminal.devicePath();
    std::string folder = (std::filesystem::temp_directory_path() / "monctl-sim-XXXXXX").string();
    if (!::mkdtemp(folder.data()))
        return;
    // Other users reach the link as they would the terminal; the terminal's mode decides.
    std::filesystem::permissions(
        folder, std::filesystem::perms::group_exec | std::filesystem::perms::others_exec,
        std::filesystem::perm_options::add);
    // Named after the terminal, so that two simulators show apart in a list of ports.
    const auto terminal = std::filesystem::path(m_terminal.devicePath());
    const auto link = std::filesystem::path(folder) /
                      (terminal.parent_path().filename().string() + terminal.filename().string());
    std::error_code error;
    std::filesystem::create_symlink(m_terminal.devicePath(), link, error);
    m_linkFolder = folder;
    if (!error)
        m_linkPath = link.string();
}

void MonitorSimulator::removeLink() {
    std::error_code error;
    if (!m_linkFolder.empty())
        std::filesystem::remove_all(m_linkFolder, error);
}

void MonitorSimulator::unplug() {
    removeLink();
    std::unique_lock lock(m_mutex);
    m_unplugged = true;
    lock.unlock();
    wake();
    lock.lock();
    m_changed.wait(lock, [this] { return m_terminal.farEnd() < 0 || m_stopping; });
}

MonitorSimulator::Settings MonitorSimulator::settings() const {
    std::lock_guard lock(m_mutex);
    return m_settings;
}

std::vector<std::string> MonitorSimulator::receivedFrames() const {
    std::lock_guard lock(m_mutex);
    return m_received;
}

std::vector<std::chrono::steady_clock::time_point> MonitorSimulator::receivedTimes() const {
    std::lock_guard lock(m_mutex);
    return m_receivedTimes;
}

int MonitorSimulator::fastRefreshCount() const {
    std::lock_guard lock(m_mutex);
    return m_fastRefreshes;
}

int MonitorSimulator::timeSyncCount() const {
    std::lock_guard lock(m_mutex);
    return m_timeSyncs;
}

bool MonitorSimulator::isUnplugged() const {
    std::lock_guard lock(m_mutex);
    return m_unplugged;
}

bool MonitorSimulator::waitForFrames(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return m_received.size() >= count; });
}

// Called with the mutex held.
void MonitorSimulator::schedule(std::string bytes, std::chrono::milliseconds after) {
    const auto due = std::chrono::steady_clock::now() + after;
    const auto later = std::find_if(m_outgoing.begin(), m_outgoing.end(),
                                    [due](const Outgoing& o) { return o.due > due; });
    m_outgoing.insert(later, {due, std::move(bytes)});
}

void MonitorSimulator::run() {
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        if (m_unplugged && m_terminal.farEnd() >= 0) {
            m_terminal.close();
            m_outgoing.clear();
            m_changed.notify_all();
        }
        flushDue();
        std::array<pollfd, 2> watched{{{m_wakeRead, POLLIN, 0}, {-1, POLLIN, 0}}};
        if (!m_readingPaused)
            watched[1].fd = m_terminal.farEnd();
        const int timeout = pollTimeout();
        lock.unlock();
        ::poll(watched.data(), watched.size(), timeout);
        std::array<char, 64> drained{};
        while (::read(m_wakeRead, drained.data(), drained.size()) > 0) {
        }
        lock.lock();
        if ((watched[1].revents & POLLIN) != 0 && !m_unplugged)
            readLine();
    }
    m_changed.notify_all();
}

int MonitorSimulator::pollTimeout() const {
    if (m_outgoing.empty())
        return -1;
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
        m_outgoing.front().due - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, wait.count() + 1));
}

void MonitorSimulator::flushDue() {
    const auto now = std::chrono::steady_clock::now();
    while (!m_outgoing.empty() && m_outgoing.front().due <= now && m_terminal.farEnd() >= 0) {
        writeFully(m_outgoing.front().bytes);
        m_outgoing.pop_front();
    }
}

void MonitorSimulator::writeFully(const std::string& bytes) {
    const auto giveUp = std::chrono::steady_clock::now() + writeStallLimit;
    std::size_t written = 0;
    while (written < bytes.size() && std::chrono::steady_clock::now() < giveUp) {
        const auto count =
            ::write(m_terminal.farEnd(), bytes.data() + written, bytes.size() - written);
        if (count > 0) {
            written += static_cast<std::size_t>(count);
            continue;
        }
        if (count < 0 && errno != EAGAIN && errno != EINTR)
            return;
        pollfd room{m_terminal.farEnd(), POLLOUT, 0};
        ::poll(&room, 1, 10);
    }
}

void MonitorSimulator::readLine() {
    std::array<char, 4096> buffer{};
    for (;;) {
        const auto count = ::read(m_terminal.farEnd(), buffer.data(), buffer.size());
        if (count <= 0)
            break;
        m_line.append(buffer.data(), static_cast<std::size_t>(count));
    }
    takeFrames();
}

void MonitorSimulator::takeFrames() {
    for (;;) {
        const auto marker = Protocol::findMarker(m_line);
        if (marker == std::string::npos) {
            // Keep a tail that could be the start of a marker.
            const auto tail = Protocol::marker.size() - 1;
            m_line.erase(0, m_line.size() > tail ? m_line.size() - tail : 0);
            return;
        }
        m_line.erase(0, marker);
        if (m_line.size() < frameLength)
            return;
        const auto frame = m_line.substr(0, frameLength);
        m_line.erase(0, frameLength);
        handleFrame(frame);
    }
}

void MonitorSimulator::handleFrame(const std::string& frame) {
    m_received.push_back(frame);
    m_receivedTimes.push_back(std::chrono::steady_clock::now());
    m_changed.notify_all();
    if (m_onFrame)
        m_onFrame(frame);
    if (!isHexFrame(frame))
        return;
    const int command = hexField(frame, 4);
    const int value = hexField(frame, 6);
    if (int* setting = settingOf(command)) {
        // A value out of the command's range leaves the setting as it was.
        if (CommandFrame::admittedValue(command, value) == value)
            *setting = value;
        return;
    }
    switch (command) {
    case 3:
        ++m_fastRefreshes;
        break;
    case 5:
        ++m_timeSyncs;
        break;
    case Protocol::parameterRequest:
        answerRequest(value);
        break;
    default:
        break;
    }
}

// The setting a command changes, if it changes one.
int* MonitorSimulator::settingOf(int command) {
    switch (command) {
    case 1:
        return &m_settings.contrast;
    case 2:
        return &m_settings.mode;
    case 4:
        return &m_settings.speed;
    default:
        return nullptr;
    }
}

void MonitorSimulator::answerRequest(int parameter) {
    // Parameters 2 and 3 both read the mode; the version reads as the parameter itself.
    const int* setting = settingOf(parameter == 3 ? 2 : parameter);
    if (!setting && parameter != Protocol::versionParameter)
        return;
    answer(deviceFrame(DeviceFrame::parameterReply, Protocol::parameterRequest, parameter,
                       setting ? *setting : Protocol::versionParameter));
}

// Called with the mutex held.
void MonitorSimulator::answer(const std::string& frame) {
    if (m_silent)
        return;
    if (!m_splitAnswers)
        return schedule(frame, m_answerDelay);
    const auto half = frame.size() / 2;
    schedule(frame.substr(0, half), m_answerDelay);
    schedule(frame.substr(half), m_answerDelay + splitPause);
}

} // namespace monctl
