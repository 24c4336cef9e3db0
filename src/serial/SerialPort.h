#pragma once

#include "runtime/Bytes.h"
#include "runtime/Signal.h"
#include "serial/LineSettings.h"
#include "serial/SerialDevice.h"
#include "serial/SerialError.h"
#include "serial/SerialPortDelegate.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <termios.h>
#include <vector>

namespace monctl {

class ModemLineWatcher;
class PortWriter;
class ReadSource;
class SerialPacketDescriptor;
class SerialPortRequests;
class SerialRequest;

// What the port hands to its request machinery (the requests library), once a request or a
// listened descriptor has made one: every chunk read, and the close.
class PortDataObserver {
public:
    virtual ~PortDataObserver() = default;
    virtual void portReceived(const Bytes& data) = 0; // on the reading thread
    virtual void portClosed() = 0;
};

// One serial port: a terminal device opened exclusively, its bytes handed to its delegate,
// its removal noticed, every failing system call reported to the delegate.
//
// Threads: open, close and the setters run on the calling thread; call them from one thread
// at a time, normally the main thread. sendData may be called from any thread and never
// blocks: what the driver cannot take at once waits in the port's queue and goes out from
// the main loop. Reads run on the main thread (its loop watches the descriptor), the close
// of the descriptor on the event pool, and the modem-line watch on a thread of its own that
// sleeps until a line changes. Every delegate call reaches the main thread (MainQueue): data
// as it is read, opening queued, removal and closing with the reporting thread waiting,
// errors directly when raised on the main thread.
class SerialPort : public std::enable_shared_from_this<SerialPort> {
public:
    static constexpr auto parityNone = LineSettings::parityNone;
    static constexpr auto parityOdd = LineSettings::parityOdd;
    static constexpr auto parityEven = LineSettings::parityEven;

    // Construction: none when the path names no device. Two constructions from the same
    // device give the same port while the first exists.
    static std::shared_ptr<SerialPort> serialPortWithPath(const std::string& path);
    static std::shared_ptr<SerialPort> serialPortWithDevice(const SerialDevice& device);

    // The registry of live ports.
    static std::shared_ptr<SerialPort> existingPortWithPath(const std::string& path);
    static std::optional<SerialDevice> deviceFromBSDPath(const std::string& path);
    static std::optional<std::string> stringPropertyOf(const SerialDevice& device,
                                                       std::string_view key);
    static std::optional<std::string> bsdCalloutPathFromDevice(const SerialDevice& device);
    static std::optional<std::string> bsdDialinPathFromDevice(const SerialDevice& device);
    static std::optional<std::string> baseNameFromDevice(const SerialDevice& device);
    static std::optional<std::string> serviceTypeFromDevice(const SerialDevice& device);
    static std::optional<std::string> modemNameFromDevice(const SerialDevice& device);
    static std::optional<std::string> suffixFromDevice(const SerialDevice& device);

    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    const std::string& path() const { return m_path; }
    const std::string& name() const { return m_name; }
    const std::string& description() const { return m_name; }
    const SerialDevice& ioKitDevice() const { return m_device; }
    int fileDescriptor() const { return m_fileDescriptor.load(); } // -1 when closed
    bool isOpen() const { return fileDescriptor() >= 0; }

    std::shared_ptr<SerialPortDelegate> delegate() const;
    void setDelegate(const std::shared_ptr<SerialPortDelegate>& delegate); // held weakly

    void open();
    // Starts the close and returns true at once; the descriptor is closed shortly after on
    // the event pool, and the port counts as open until then.
    bool close();
    // Waits until a close started before has completed; false when the time ran out.
    bool waitUntilClosed(std::chrono::milliseconds timeout);
    // Tells the delegate the device was removed (once per removal), then closes.
    void cleanupAfterSystemRemoval();
    // The device is present again: its next removal is told.
    void wasPublished();
    [[deprecated("never meant to be called from outside; use cleanupAfterSystemRemoval")]] void
    cleanup(); // logs a warning, then does cleanupAfterSystemRemoval

    // Queues the bytes behind those sent before and returns at once; they are written as the
    // driver takes them. False when the port cannot take data: closed, closing (or gone), or
    // stalled. A line that does not take the bytes within the write time-out plus the time
    // they take at the line's speed (a device that stopped taking data: flow control held, a
    // hung monitor) fails them and everything queued behind them with ETIMEDOUT, reported to
    // the delegate; later writes fail at once (also reported) until the line drains again.
    // Other write errors reach the delegate too. Bytes queued when the port closes or goes
    // away are dropped, never written to a later opening.
    bool sendData(const Bytes& data);
    // Reports on the main queue how a write ended: no error once every byte is written, else
    // what failed it (ETIMEDOUT; the device's error; ENODEV: the device went away first;
    // ECANCELED: the port was closed first; EBADF: it was not open). Returns as sendData does:
    // false when the port could not take the data at all.
    using WriteDone = std::function<void(std::error_code)>;
    bool sendData(const Bytes& data, WriteDone done);
    void setWriteTimeout(std::chrono::milliseconds timeout) { m_writeTimeout = timeout; }

    // Line settings. On a closed port they are only stored; open applies them.
    unsigned baudRate() const { return m_line.baudRate; }
    void setBaudRate(unsigned baudRate);
    bool allowsNonStandardBaudRates() const { return m_line.allowsNonStandardBaudRates; }
    void setAllowsNonStandardBaudRates(bool allows);
    std::uint64_t numberOfStopBits() const { return m_line.numberOfStopBits; }
    void setNumberOfStopBits(std::uint64_t count);
    std::uint64_t numberOfDataBits() const { return m_line.numberOfDataBits; }
    void setNumberOfDataBits(std::uint64_t count);
    std::uint64_t parity() const { return m_line.parity; }
    void setParity(std::uint64_t parity);
    bool shouldEchoReceivedData() const { return m_line.shouldEchoReceivedData; }
    void setShouldEchoReceivedData(bool echo);
    bool usesRTSCTSFlowControl() const { return m_line.usesRTSCTSFlowControl; }
    void setUsesRTSCTSFlowControl(bool uses);
    // Linux has no DTR/DSR or DCD flow control: asking for either reports
    // SerialError::settingNotAvailable and the setting stays off.
    bool usesDTRDSRFlowControl() const { return false; }
    void setUsesDTRDSRFlowControl(bool uses);
    bool usesDCDOutputFlowControl() const { return false; }
    void setUsesDCDOutputFlowControl(bool uses);
    void setPortOptions();

    // Modem lines: RTS and DTR are driven, CTS, DSR and DCD as last reported by the driver.
    bool RTS() const { return m_rts; }
    void setRTS(bool on);
    bool DTR() const { return m_dtr; }
    void setDTR(bool on);
    bool CTS() const { return m_cts; }
    void setCTS(bool on) { m_cts = on; }
    bool DSR() const { return m_dsr; }
    void setDSR(bool on) { m_dsr = on; }
    bool DCD() const { return m_dcd; }
    void setDCD(bool on) { m_dcd = on; }
    void updateModemLines();

    // Tells the delegate of the error; `wait`: on the main thread, the caller waiting.
    void notifyDelegateOfError(std::error_code code, bool wait = false);

    void receiveData(const Bytes& data);

    // Requests: sent one at a time, each answered or timed out before the next goes (its
    // time-out runs from when it has been written); the delegate hears of responses and
    // time-outs. Listening: every packet that matches a
    // descriptor is handed to the delegate. All of it runs on the port's request-handling
    // queue; sendRequest and the listening calls wait for it (never call them from it).
    // These live in the requests library (monctl_serial_requests), which a program links
    // only when it uses them.
    bool sendRequest(const std::shared_ptr<SerialRequest>& request);
    void cancelQueuedRequest(const std::shared_ptr<SerialRequest>& request);
    void cancelAllQueuedRequests();
    std::vector<std::shared_ptr<SerialRequest>> queuedRequests() const;
    std::shared_ptr<SerialRequest> pendingRequest() const;
    void startListeningForPacketsMatchingDescriptor(
        const std::shared_ptr<const SerialPacketDescriptor>& descriptor);
    void stopListeningForPacketsMatchingDescriptor(
        const std::shared_ptr<const SerialPacketDescriptor>& descriptor);
    std::vector<std::shared_ptr<const SerialPacketDescriptor>> packetDescriptors() const;
    // Told on the main thread, after the change.
    Signal<> queuedRequestsChanged;
    Signal<> packetDescriptorsChanged;

    bool operator==(const SerialPort& other) const { return m_path == other.m_path; }

private:
    friend class SerialPortRequests;
    struct Private {};

public:
    SerialPort(Private, const SerialDevice& device);

private:
    static constexpr std::chrono::milliseconds flowControlReopenWait{2000};

    template <class Call>
    std::function<void()> delegateTask(SerialPortDelegate::Operation operation, Call call);
    // queued: always through the main queue; waited: on the main thread, the caller waiting;
    // immediate: at once on the main thread, else queued.
    enum class Delivery { queued, waited, immediate };
    template <class Call>
    void callDelegate(SerialPortDelegate::Operation operation, Call call, Delivery delivery);
    void markClosed(const std::function<void()>& whileClosing);
    SerialPortRequests& requests();
    std::shared_ptr<SerialPortRequests> existingRequests() const;
    std::shared_ptr<PortDataObserver> dataObserver() const;
    std::shared_ptr<PortWriter> writer() const;
    void endWrites(std::error_code reason);
    std::chrono::nanoseconds writeBound(std::size_t byteCount) const;
    void endRequestsWithClose();
    bool readAvailable();
    void startModemLineWatch(int descriptor);
    void publishModemLines(int bits);
    void modemLinesFailed(std::error_code error);
    void stopModemLineWatch();
    void deviceGone(std::error_code error);
    void reallyClosePort();
    std::error_code applyTerminalSettings(int descriptor);
    void setOpenDescriptor(int descriptor);

    const SerialDevice m_device;
    const std::string m_path;
    const std::string m_name;

    std::atomic<int> m_fileDescriptor{-1};
    std::optional<termios> m_originalPortAttributes;
    mutable std::mutex m_delegateMutex;
    std::weak_ptr<SerialPortDelegate> m_delegate;

    // Held while the descriptor is in use by a settings or modem-line call, or its close, so
    // that none of them meets a descriptor that is being closed or reused. Writes need no
    // lock: the writer has ended before the close begins.
    std::mutex m_descriptorMutex;
    mutable std::mutex m_sourcesMutex;
    std::shared_ptr<ReadSource> m_readPollSource;
    std::unique_ptr<ModemLineWatcher> m_modemLineWatcher;
    std::shared_ptr<PortWriter> m_writer; // while open; under the sources lock
    std::condition_variable m_closed;
    std::atomic<bool> m_removalStarted{false};
    std::atomic<bool> m_removalReported{false};
    std::atomic<std::chrono::milliseconds> m_writeTimeout{std::chrono::seconds(2)};

    LineSettings m_line;

    mutable std::mutex m_requestsMutex;
    std::shared_ptr<PortDataObserver> m_requests; // none until requests or listening are used
    bool m_rts = false;
    bool m_dtr = false;
    std::atomic<bool> m_cts{false};
    std::atomic<bool> m_dsr{false};
    std::atomic<bool> m_dcd{false};
};

} // namespace monctl

template <> struct std::hash<monctl::SerialPort> {
    std::size_t operator()(const monctl::SerialPort& port) const noexcept {
        return std::hash<std::string>{}(port.path());
    }
};
