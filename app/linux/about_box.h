// The about box: the program's icon, "CHIMORA Version 1.9" and an OK button. OK, Esc and the
// close box end it.
#pragma once

#include <QDialog>

namespace chimora {

class AboutBox final : public QDialog {
    Q_OBJECT

public:
    explicit AboutBox(QWidget* owner);
};

} // namespace chimora
