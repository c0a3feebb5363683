// Running chimora-render as a child process through the shell, the POSIX way.
#pragma once

#include "render_test_support.h"

#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

namespace chimora::testing {

// The renderer shell-quoted, for commands of one's own.
inline std::string rendererCommand() { return std::string("'") + CHIMORA_RENDER_PATH + "'"; }

struct RunResult {
    int exitCode = -1; // -1 when the renderer did not exit normally
    std::string out;
    std::string err;
};

// Runs the renderer with the arguments through the shell; `before` is shell text put in front
// of it, such as "cd DIR &&" or "producer |".
inline RunResult runRenderer(const std::string& arguments, const std::string& before = "") {
    const std::string errPath = scratchPath(".stderr");
    const std::string command =
        before + " " + rendererCommand() + " " + arguments + " 2>'" + errPath + "'";
    RunResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return result;
    char buffer[65536];
    std::size_t read;
    while ((read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, read);
    const int status = pclose(pipe);
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    const std::vector<std::uint8_t> err = readFileBytes(errPath);
    result.err.assign(err.begin(), err.end());
    std::remove(errPath.c_str());
    return result;
}

} // namespace chimora::testing
