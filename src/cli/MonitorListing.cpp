#include "cli/MonitorListing.h"

#include "cli/JsonOutput.h"

#include <QJsonArray>
#include <algorithm>
#include <fmt/format.h>

namespace monctl {
namespace {

QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

QJsonValue adapterJson(const std::optional<UsbAdapter>& adapter) {
    if (!adapter)
        return QJsonValue::Null;
    return QJsonObject{{"vendor", qt(adapter->vendor)},
                       {"product", qt(adapter->product)},
                       {"serial", qt(adapter->serial)}};
}

std::string adapterText(const std::optional<UsbAdapter>& adapter) {
    if (!adapter)
        return {};
    std::string text;
    for (const auto& part : {adapter->vendor, adapter->product})
        text += part.empty() ? "" : " " + part;
    return text + (adapter->serial.empty() ? "" : " serial " + adapter->serial);
}

} // namespace

void printMonitorList(const std::vector<ListedMonitor>& monitors, bool json) {
    if (!json) {
        for (const auto& monitor : monitors)
            fmt::print("{} {}{}\n", monitor.name, monitor.path, adapterText(monitor.adapter));
        return;
    }
    QJsonArray list;
    for (const auto& monitor : monitors)
        list.append(QJsonObject{{"name", qt(monitor.name)},
                                {"path", qt(monitor.path)},
                                {"adapter", adapterJson(monitor.adapter)}});
    printJson(list);
}

std::optional<ListedMonitor> monitorWithSerial(const std::vector<ListedMonitor>& monitors,
                                               const std::string& serial) {
    const auto found = std::find_if(monitors.begin(), monitors.end(), [&](const auto& monitor) {
        return monitor.adapter && !serial.empty() && monitor.adapter->serial == serial;
    });
    return found == monitors.end() ? std::nullopt : std::optional(*found);
}

} // namespace monctl
