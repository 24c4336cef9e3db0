#pragma once

#include "device/ReportController.h"

#include <cstdio>
#include <optional>

namespace monctl {

class DeviceLink;

// The command line's report target: keeps the last reported settings, makes the first
// monitor the active one, and prints every report and button event when asked to.
class CliReporter final : public ReportController {
public:
    CliReporter(DeviceLink& link, std::FILE* events) : m_link(link), m_events(events) {}

    std::optional<int> contrast;
    std::optional<int> mode;
    std::optional<int> speed;

    void updateViewThresholdDisplay(int value) override;
    void updateViewModeDisplay(int value) override;
    void updateViewSpeedDisplay(int value) override;
    void updateMainViewContent() override;
    void receiveKeyBoardClickWithCode(int keyCode) override;
    void receiveKeyBoardClickWithCodeForStarter() override;
    void receiveMouseMovePointX(int dx, int dy) override;
    void receiveMouseClickEvent(int button) override;
    void receiveMouseLongMovePointX(int dx, int dy) override;

private:
    template <class... Args> void print(const char* format, Args... args);

    DeviceLink& m_link;
    std::FILE* m_events; // null: print nothing
};

} // namespace monctl
