// The output file: the temporary name carries random characters and is created exclusively
// (retrying on a name already taken), and std::filesystem::rename replaces the output in one
// step on both platforms.
#include "output_file.h"

#include "file_calls.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

namespace chimora {

namespace {

constexpr int NAME_ATTEMPTS = 100;
constexpr int RANDOM_CHARACTERS = 12; // 36^12: about 62 bits no neighbour can guess

std::string randomSuffix(std::random_device& random) {
    static constexpr char ALPHABET[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::uniform_int_distribution<std::size_t> pick(0, sizeof ALPHABET - 2);
    std::string suffix = ".part-";
    for (int i = 0; i < RANDOM_CHARACTERS; ++i) suffix += ALPHABET[pick(random)];
    return suffix;
}

// A missing output, a regular file or a link to one goes through a temporary file; a link is
// then replaced by the new file and its target is left alone.
bool writesThroughTemporary(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return errno == ENOENT;
    return S_ISREG(status.st_mode);
}

bool isFolder(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

} // namespace

OutputFile::OutputFile(const std::string& path) : path_(path), writePath_(path) {
    if (isFolder(path)) {
        failure_ = "cannot write '" + path + "': it is a folder";
        return;
    }
    if (!writesThroughTemporary(path)) {
        fd_ = openExistingForWriting(path);
        if (fd_ < 0) fail("cannot open");
        return;
    }
    std::random_device random;
    for (int attempt = 0; attempt < NAME_ATTEMPTS && fd_ < 0; ++attempt) {
        writePath_ = path + randomSuffix(random);
        fd_ = createNewFile(writePath_);
        if (fd_ < 0 && errno != EEXIST) break;
    }
    if (fd_ < 0) {
        fail("cannot create a file beside");
        return;
    }
    temporary_ = true;
}

OutputFile::~OutputFile() { discardTemporary(); }

void OutputFile::discardTemporary() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (temporary_) ::unlink(writePath_.c_str());
    temporary_ = false;
}

bool OutputFile::commit() {
    if (fd_ < 0) return false;
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        fail("cannot write");
        discardTemporary();
        return false;
    }
    if (temporary_) {
        std::error_code error;
        std::filesystem::rename(writePath_, path_, error);
        if (error) {
            failure_ = "cannot replace '" + path_ + "': " + error.message();
            discardTemporary();
            return false;
        }
    }
    temporary_ = false;
    return true;
}

bool OutputFile::fail(const char* action) {
    failure_ = std::string(action) + " '" + path_ + "': " + std::strerror(errno);
    return false;
}

} // namespace chimora
