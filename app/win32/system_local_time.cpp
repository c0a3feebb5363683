// Local time on Windows.
#include "system_services.h"

#include <windows.h>

namespace chimora {

LocalTime SystemLocalTime::readLocalTime() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    LocalTime time;
    time.hour = now.wHour;
    time.minute = now.wMinute;
    time.second = now.wSecond;
    return time;
}

} // namespace chimora
