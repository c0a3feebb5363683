// The path separator of Linux and other POSIX systems.
#pragma once

namespace chimora {

constexpr char PATH_SEPARATOR = '/';

} // namespace chimora
