// The path separator of Windows.
#pragma once

namespace chimora {

constexpr char PATH_SEPARATOR = '\\';

} // namespace chimora
