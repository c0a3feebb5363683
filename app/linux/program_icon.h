// The program's icon in every size drawn for it (the artwork of the Windows icons).
#pragma once

#include <QIcon>

namespace chimora {

QIcon programIcon();

} // namespace chimora
