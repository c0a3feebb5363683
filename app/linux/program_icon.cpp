#include "program_icon.h"

// The icons are compiled into this static library; a library's resources must be registered
// by hand, or the linker may leave them out.
static void registerIconResources() { Q_INIT_RESOURCE(chimora); }

namespace chimora {

QIcon programIcon() {
    registerIconResources();
    QIcon icon;
    for (int sizePixels : {16, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/icons/chimora-%1.png").arg(sizePixels));
    }
    return icon;
}

} // namespace chimora
