// The file a render is written to. A regular file (or a new one) is written under a temporary
// name beside it that nobody can guess or plant in advance, and renamed into place when
// complete, so that a failed render leaves an existing file untouched and no broken file
// behind. Anything else that can be written (a device, a pipe) is written to directly.
#pragma once

#include <string>

namespace chimora {

class OutputFile {
public:
    // Opens the output; check isOpen() and failure() afterwards. The temporary file is created
    // exclusively (never through a link) with the permissions the user's umask gives new files;
    // a folder is refused.
    explicit OutputFile(const std::string& path);
    // Removes the temporary file unless commit() has succeeded.
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    // The open descriptor to write to (read, write, lseek). It stays owned by this object.
    int descriptor() const { return fd_; }
    // The temporary name while writing through one; the output's own path otherwise.
    const std::string& writePath() const { return writePath_; }
    // Closes the descriptor and, through a temporary file, renames it over the output.
    // False (the temporary removed) when either fails.
    bool commit();
    // What went wrong, once the constructor or commit() failed.
    const std::string& failure() const { return failure_; }

private:
    bool fail(const char* action);
    void discardTemporary();

    std::string path_;
    std::string writePath_;
    bool temporary_ = false;
    int fd_ = -1;
    std::string failure_;
};

} // namespace chimora
