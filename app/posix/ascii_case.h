// Letter case for names in settings files and folders: only A..Z fold, so the bytes of a
// double-byte name are never changed.
#pragma once

namespace chimora {

inline char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace chimora
