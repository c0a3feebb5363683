// The folder the program works in: "switch.ini" and "jihomml" are found there as relative
// paths, exactly as the Windows program finds them beside itself.
#pragma once

#include <optional>
#include <string>

namespace chimora {

// $XDG_DATA_HOME/chimora, or ~/.local/share/chimora when XDG_DATA_HOME is unset, empty or
// not absolute. Nothing when neither it nor HOME gives an absolute path.
std::optional<std::string> defaultWorkingFolder();

// Creates `folder` (with its parents) if it is missing and makes it the current directory.
// On failure returns a message for the user that names the folder and the reason.
std::optional<std::string> enterWorkingFolder(const std::string& folder);

} // namespace chimora
