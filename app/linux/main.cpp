// chimora, the Linux program: the clock window, or with --headless the same clock without one.
#include "headless_mode.h"
#include "main_window.h"
#include "program_options.h"
#include "shifted_local_time.h"
#include "song_folder_seed.h"
#include "system_services.h"
#include "working_folder.h"

#include <QApplication>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>

namespace {

bool isSet(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && value[0] != '\0';
}

// A display server to show a window on, or a Qt platform chosen explicitly (offscreen).
bool hasDisplay() {
    return isSet("DISPLAY") || isSet("WAYLAND_DISPLAY") || isSet("QT_QPA_PLATFORM");
}

// The songs installed with the program, or for a program run from its build tree, the source
// tree's.
std::filesystem::path shippedSongs() {
    std::error_code error;
    const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    const auto installed = chimora::shippedSongFolderFor(executable);
    if (!error && std::filesystem::is_directory(installed, error)) return installed;
    return CHIMORA_SOURCE_SONG_FOLDER;
}

// A first start gets the shipped songs, so that a melody plays before every hour.
void seedSongs() {
    const auto report = chimora::seedSongFolder(shippedSongs(), std::filesystem::current_path());
    if (report.outcome == chimora::SeedOutcome::failed) {
        std::cerr << "chimora: the shipped songs were not copied: " << report.problem << '\n';
    }
}

int runWindow(int argc, char** argv, chimora::LocalTimeSource& localTime) {
    QApplication application(argc, argv);
    chimora::MainWindow window(localTime);
    window.show();
    return application.exec();
}

} // namespace

int main(int argc, char** argv) {
    chimora::ProgramOptions options;
    if (const auto exitCode = chimora::parseProgramOptions(argc, argv, options)) return *exitCode;
    if (!options.headless && !hasDisplay()) {
        std::cerr << "chimora: no display to show the window on (DISPLAY is not set); "
                     "'chimora --headless' plays the signals without a window\n";
        return 1;
    }
    const auto folder = options.folder ? options.folder : chimora::defaultWorkingFolder();
    if (!folder) {
        std::cerr << "chimora: neither XDG_DATA_HOME nor HOME names a folder; "
                     "choose one with --dir\n";
        return 1;
    }
    if (const auto problem = chimora::enterWorkingFolder(*folder)) {
        std::cerr << *problem << '\n';
        return 1;
    }
    seedSongs();
    std::unique_ptr<chimora::LocalTimeSource> localTime;
    if (options.startTime) {
        localTime = std::make_unique<chimora::ShiftedLocalTime>(*options.startTime);
    } else {
        localTime = std::make_unique<chimora::SystemLocalTime>();
    }
    if (options.headless) {
        chimora::blockStopSignals();
        return chimora::runHeadless(std::filesystem::current_path().string(), *localTime);
    }
    return runWindow(argc, argv, *localTime);
}
