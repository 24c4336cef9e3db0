#include "app/WindowSession.h"
#include "bus/WindowClient.h"
#include "cli/CliSession.h"
#include "cli/CommandLine.h"
#include "cli/DoctorReport.h"
#include "cli/Interrupts.h"
#include "cli/PresetCommands.h"
#include "runtime/AsioMainQueue.h"
#include "runtime/TraceLog.h"
#include "shared/Preferences.h"

#include <algorithm>
#include <cstdio>
#include <spdlog/sinks/stdout_color_sinks.h>
#include <spdlog/spdlog.h>

using namespace monctl;

namespace {

int run(int argc, char** argv) {
    const auto parsed = parseCommandLine(argc, argv);
    if (const auto* done = std::get_if<CliExit>(&parsed)) {
        std::fputs(done->text.c_str(), done->toStandardError ? stderr : stdout);
        return done->status;
    }
    const auto& request = std::get<CliRequest>(parsed);
    spdlog::set_default_logger(spdlog::stderr_color_mt("monctl"));
    spdlog::set_level(request.verbose ? spdlog::level::debug : spdlog::level::warn);
    traceLog().set_level(request.trace ? spdlog::level::debug : spdlog::level::off);
    if (request.action == CliRequest::Action::window)
        return runWindow(request, argc, argv);
    if (const auto done = runPresetCommand(request, Preferences::defaultPath()))
        return *done;
    // From its first moment, so that no Ctrl+C of a watch is lost.
    if (request.action == CliRequest::Action::watch)
        catchInterrupts();
    const bool throughWindow = request.action != CliRequest::Action::doctor && !request.direct;
    const auto window = throughWindow ? runThroughWindow(request, argc, argv) : WindowOutcome{};
    if (interruptRequested())
        return 0;
    if (window.status && window.leftOver.empty())
        return *window.status;

    auto main = std::make_shared<AsioMainQueue>();
    MainQueue::install(main);
    if (request.action == CliRequest::Action::doctor)
        return runDoctor(request, *main);
    // What the window lacks is opened here.
    auto direct = request;
    if (window.status)
        direct.ports = window.leftOver;
    return std::max(window.status.value_or(0), runCliRequest(direct, *main));
}

} // namespace

// What the libraries underneath may throw (the logger's set-up, allocation) ends the program
// with a message instead of an abort.
int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "monctl: %s\n", error.what());
        return 1;
    }
}
