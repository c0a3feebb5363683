// The Qt window: the clock text, the menu bar built from the shared menu table, the about box
// and the message boxes. Every command goes to the shared ClockCommands; this class only shows
// things. Window (GUI) thread only.
#pragma once

#include "clock_program.h"
#include "local_time_source.h"

#include <QMainWindow>
#include <QTimer>

#include <memory>
#include <vector>

class QAction;

namespace chimora {

class ClockFace;

class MainWindow final : public QMainWindow,
                         private MenuCheckMarks,
                         private MessageBoxes,
                         private RepaintRequest {
    Q_OBJECT

public:
    // Builds the window and its menu, starts the clock program (sound output on `device`, by
    // default the system's), reads the settings into the menu and starts the 300 ms timer.
    explicit MainWindow(LocalTimeSource& localTime, std::unique_ptr<WaveDevice> device = nullptr);
    ~MainWindow() override;

    // Carries out a command id as choosing its menu item would; ids of no item do nothing.
    void runCommand(int commandId);
    // The menu item of a command id, or null.
    QAction* actionFor(int commandId) const;
    // Opens the about box modally and returns when it is closed.
    void showAbout();

    ClockProgram& program() { return *program_; }
    // The text the window shows: the clock, or a single space before the first tick.
    QString clockText() const;

private:
    void buildMenuBar();
    QAction* addItem(QMenu* menu, const MenuItemModel& item);
    void addAboutShortcuts();

    bool isItemChecked(int topPosition, int itemPosition) override;
    void setItemChecked(int topPosition, int itemPosition, bool checked) override;
    void redrawMenuBar() override;
    void showNotice(const std::string& text, const std::string& caption) override;
    void requestRepaint() override;

    ClockFace* face_;
    std::vector<std::vector<QAction*>> menuItems_; // [top-level position][item position]
    std::unique_ptr<ClockProgram> program_;
    QTimer timer_;
};

} // namespace chimora
