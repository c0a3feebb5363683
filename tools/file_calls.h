// The few file calls that differ between Linux and Windows (posix/ or win32/, picked by CMake).
// Everything else uses the descriptor calls that both have: read, write, lseek, close.
#pragma once

#include <string>

namespace chimora {

// Each returns a descriptor, or -1 with errno set.
int openForReading(const std::string& path);
int openExistingForWriting(const std::string& path);
// Creates the file only if nothing, not even a dangling link, has that name (EEXIST
// otherwise), with the permissions the user's umask gives new files.
int createNewFile(const std::string& path);

// Bytes pass through the descriptor unchanged (Windows would otherwise turn CR LF into LF).
void useBinaryMode(int fd);

} // namespace chimora
