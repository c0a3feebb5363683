// Command-line parsing with CLI11, as the renderer does it.
#include "program_options.h"

#include "clock_time_text.h"

#include <CLI/CLI.hpp>

namespace chimora {
namespace {

std::string checkClockTime(std::string& text) {
    if (parseClockTime(text)) return "";
    return "'" + text + "' is not a time of day as HH:MM:SS (00:00:00 to 23:59:59)";
}

const CLI::Validator CLOCK_TIME(checkClockTime, "", "ClockTime");

} // namespace

std::optional<int> parseProgramOptions(int argc, char** argv, ProgramOptions& options) {
    CLI::App app{"CHIMORA, the time-signal clock: a window with the clock, or --headless.",
                 "chimora"};
    std::string folder;
    std::string startTime;
    app.add_flag("--headless", options.headless,
                 "No window: play the signals and print a line for each (for a machine "
                 "without a display, or a service); Ctrl-C ends it");
    auto* dirOption = app.add_option("--dir", folder,
                                     "Folder to work in, holding switch.ini and jihomml/ "
                                     "(default: $XDG_DATA_HOME/chimora, made on first start)")
                          ->type_name("DIR");
    auto* atOption = app.add_option("--at", startTime,
                                    "Run the clock as if it were HH:MM:SS at start, to hear "
                                    "the signals at once (--at 13:59:25: melody in 5 s)")
                         ->type_name("HH:MM:SS")
                         ->check(CLOCK_TIME);
    app.failure_message([](const CLI::App* failed, const CLI::Error& error) {
        return "chimora: " + CLI::FailureMessage::simple(failed, error);
    });
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::ParseError& error) {
        app.exit(error);
        return USAGE_EXIT_CODE;
    }
    if (dirOption->count() != 0) options.folder = folder;
    if (atOption->count() != 0) options.startTime = parseClockTime(startTime);
    return std::nullopt;
}

} // namespace chimora
