// The window keeps no state of its own beyond Qt's widgets: check marks live in the QActions
// but only the shared commands change them, through MenuCheckMarks.
#include "main_window.h"

#include "about_box.h"
#include "main_menu.h"
#include "program_icon.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QShortcut>

namespace chimora {

// Draws the clock text at the top left corner with the default font and colours.
class ClockFace final : public QWidget {
public:
    explicit ClockFace(QWidget* parent) : QWidget(parent) { setAutoFillBackground(true); }
    void setText(const QString& text) {
        text_ = text;
        update();
    }
    const QString& text() const { return text_; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.drawText(rect(), Qt::AlignLeft | Qt::AlignTop, text_);
    }

private:
    QString text_ = QStringLiteral(" ");
};

namespace {

// An item that cannot be chosen but is drawn like the others: disabled, with the colours of
// an enabled item.
void drawDisabledItemsNormally(QMenu* menu) {
    QPalette palette = menu->palette();
    for (QPalette::ColorRole role :
         {QPalette::Text, QPalette::WindowText, QPalette::ButtonText, QPalette::Light}) {
        palette.setColor(QPalette::Disabled, role, palette.color(QPalette::Active, role));
    }
    menu->setPalette(palette);
}

} // namespace

MainWindow::MainWindow(LocalTimeSource& localTime, std::unique_ptr<WaveDevice> device)
    : face_(new ClockFace(this)) {
    setWindowTitle(QString::fromUtf8(WINDOW_TITLE));
    setWindowIcon(programIcon());
    setCentralWidget(face_);
    buildMenuBar();
    addAboutShortcuts();
    resize(WINDOW_WIDTH, WINDOW_HEIGHT);
    program_ = std::make_unique<ClockProgram>(ProgramSeams{localTime, *this, *this, *this},
                                              std::move(device));
    program_->loadSettings();
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] { program_->scheduler().onTimerTick(); });
    timer_.start(TIMER_PERIOD_MS);
}

MainWindow::~MainWindow() { timer_.stop(); }

void MainWindow::buildMenuBar() {
    for (const MenuDropDownModel& dropDown : MAIN_MENU) {
        QMenu* menu = menuBar()->addMenu(QString::fromUtf8(dropDown.text));
        menuItems_.emplace_back();
        for (const MenuItemModel& item : dropDown.items) {
            menuItems_.back().push_back(addItem(menu, item));
        }
    }
}

QAction* MainWindow::addItem(QMenu* menu, const MenuItemModel& item) {
    QAction* action = menu->addAction(QString::fromUtf8(item.text));
    action->setData(item.commandId);
    switch (item.state) {
    case MenuItemState::plain: break;
    case MenuItemState::checked:
    case MenuItemState::unchecked:
        action->setCheckable(true);
        action->setChecked(item.state == MenuItemState::checked);
        break;
    case MenuItemState::inactive:
        action->setEnabled(false);
        drawDisabledItemsNormally(menu);
        break;
    }
    const int commandId = item.commandId;
    connect(action, &QAction::triggered, this, [this, action, commandId] {
        // Qt flips a checkable item by itself; the command decides the mark instead.
        if (action->isCheckable()) action->setChecked(!action->isChecked());
        runCommand(commandId);
    });
    return action;
}

void MainWindow::addAboutShortcuts() {
    for (char character : ABOUT_ACCELERATOR_CHARACTERS) {
        const QKeySequence keys(QStringLiteral("Alt+") + QChar::fromLatin1(character));
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, [this] { runCommand(CMD_ABOUT); });
    }
}

void MainWindow::runCommand(int commandId) {
    switch (program_->commands().runCommand(commandId)) {
    case CommandOutcome::showAbout: showAbout(); break;
    case CommandOutcome::exitProgram: close(); break;
    case CommandOutcome::done:
    case CommandOutcome::notACommand: break;
    }
}

QAction* MainWindow::actionFor(int commandId) const {
    for (const auto& items : menuItems_) {
        for (QAction* action : items) {
            if (action->data().toInt() == commandId) return action;
        }
    }
    return nullptr;
}

void MainWindow::showAbout() {
    AboutBox about(this);
    about.exec();
}

QString MainWindow::clockText() const { return face_->text(); }

bool MainWindow::isItemChecked(int topPosition, int itemPosition) {
    return menuItems_.at(static_cast<std::size_t>(topPosition))
        .at(static_cast<std::size_t>(itemPosition))
        ->isChecked();
}

void MainWindow::setItemChecked(int topPosition, int itemPosition, bool checked) {
    menuItems_.at(static_cast<std::size_t>(topPosition))
        .at(static_cast<std::size_t>(itemPosition))
        ->setChecked(checked);
}

void MainWindow::redrawMenuBar() { menuBar()->update(); }

void MainWindow::showNotice(const std::string& text, const std::string& caption) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(caption),
                    QString::fromStdString(text), QMessageBox::Ok, this);
    box.exec();
}

void MainWindow::requestRepaint() {
    face_->setText(QString::fromStdString(program_->scheduler().displayText()));
}

} // namespace chimora
