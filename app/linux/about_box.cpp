// Laid out like the Windows dialog: icon at the left, the text beside it, OK at the top right.
#include "about_box.h"

#include "main_menu.h"
#include "program_icon.h"

#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>

namespace chimora {

AboutBox::AboutBox(QWidget* owner) : QDialog(owner) {
    setWindowTitle(QString::fromUtf8(ABOUT_CAPTION));
    auto* icon = new QLabel(this);
    icon->setPixmap(programIcon().pixmap(32, 32));
    auto* text = new QLabel(QString::fromUtf8(ABOUT_TEXT), this);
    text->setTextFormat(Qt::PlainText);
    auto* ok = new QPushButton(QString::fromUtf8(ABOUT_BUTTON_TEXT), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(text, 0, 1, Qt::AlignTop);
    layout->addWidget(ok, 0, 2, Qt::AlignTop);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(1, 1);
    layout->setHorizontalSpacing(24);
    setMinimumSize(345, 120);
}

} // namespace chimora
