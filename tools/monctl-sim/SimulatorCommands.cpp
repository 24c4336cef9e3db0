#include "SimulatorCommands.h"

#include <chrono>
#include <map>
#include <sstream>

namespace monctl {
namespace {

const std::map<std::string, int> reportTypes{{"contrast", 1}, {"mode", 2}, {"speed", 4}};

bool onOff(std::istringstream& words) {
    std::string word;
    words >> word;
    return word != "off";
}

} // namespace

CommandOutcome runSimulatorCommand(MonitorSimulator& simulator, const std::string& line) {
    std::istringstream words(line);
    std::string verb;
    words >> verb;
    int number = 0;
    if (verb.empty())
        return CommandOutcome::done;
    if (verb == "quit")
        return CommandOutcome::quit;
    if (verb == "button" && words >> number) {
        simulator.sendButton(number);
    } else if (verb == "report") {
        std::string what;
        words >> what >> number;
        const auto type = reportTypes.find(what);
        if (type == reportTypes.end() || !words)
            return CommandOutcome::unknown;
        simulator.sendSettingReport(type->second, number);
    } else if (verb == "silent") {
        simulator.setSilent(onOff(words));
    } else if (verb == "answer") {
        simulator.setSilent(false);
    } else if (verb == "delay" && words >> number) {
        simulator.setAnswerDelay(std::chrono::milliseconds(number));
    } else if (verb == "split") {
        simulator.setSplitAnswers(onOff(words));
    } else if (verb == "pause") {
        simulator.setReadingPaused(onOff(words));
    } else if (verb == "garbage") {
        simulator.sendGarbage(words >> number ? static_cast<std::size_t>(number) : 24);
    } else if (verb == "raw") {
        std::string text;
        std::getline(words >> std::ws, text);
        simulator.sendRaw(text);
    } else if (verb == "join") {
        std::string first;
        std::string second;
        if (!(words >> first >> second))
            return CommandOutcome::unknown;
        simulator.sendRaw(first + second);
    } else if (verb == "unplug") {
        simulator.unplug();
    } else {
        return CommandOutcome::unknown;
    }
    return CommandOutcome::done;
}

} // namespace monctl
