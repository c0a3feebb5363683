// Writes, for each song file named on the command line, its eight compiled event buffers as
// one 16384-byte seed for fuzz_event_buffers into the folder given first.
#include "engine.h"

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const std::string folder = argv[1];
    for (int i = 2; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        std::vector<std::uint8_t> file((std::istreambuf_iterator<char>(in)),
                                       std::istreambuf_iterator<char>());
        const std::size_t length = file.size();
        file.push_back('\n');
        const auto engine = std::make_unique<chimora::Engine>();
        engine->loadSong(file.data(), length);
        std::ofstream out(folder + "/song" + std::to_string(i - 1), std::ios::binary);
        for (const auto& buffer : engine->eventBuffers) {
            out.write(reinterpret_cast<const char*>(buffer), sizeof buffer);
        }
    }
    return 0;
}
