#pragma once

#include "device/ReportController.h"

#include <functional>
#include <string>
#include <vector>

namespace monctl::test {

// A report target that writes down every call as text, e.g. "contrast 7", "key 125".
class RecordingReport : public ReportController {
public:
    void updateViewThresholdDisplay(int value) override { add("contrast", value); }
    void updateViewModeDisplay(int value) override { add("mode", value); }
    void updateViewSpeedDisplay(int value) override { add("speed", value); }
    void updateMainViewContent() override {
        calls.push_back("list changed");
        if (onListChanged)
            onListChanged();
    }
    void receiveKeyBoardClickWithCode(int keyCode) override { add("key", keyCode); }
    void receiveKeyBoardClickWithCodeForStarter() override { calls.push_back("starter"); }
    void receiveMouseMovePointX(int dx, int dy) override { add("move", dx, dy); }
    void receiveMouseClickEvent(int button) override { add("click", button); }
    void receiveMouseLongMovePointX(int dx, int dy) override { add("long move", dx, dy); }

    std::vector<std::string> calls;
    std::function<void()> onListChanged;

private:
    template <class... Values> void add(const std::string& what, Values... values) {
        std::string call = what;
        ((call.append(" ").append(std::to_string(values))), ...);
        calls.push_back(call);
    }
};

} // namespace monctl::test
