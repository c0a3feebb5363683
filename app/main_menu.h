// The main window's menu bar, accelerators and fixed texts, shared by every window so that each
// builds the same menu: texts (UTF-8; "&" marks the mnemonic letter), command ids, order and
// the state each item starts in. Check marks are set afterwards from the settings.
#pragma once

#include <span>

namespace chimora {

// Command ids of the menu items; the Windows program also receives them as WM_COMMAND ids.
constexpr int CMD_ABOUT = 104;
constexpr int CMD_EXIT = 105;
constexpr int CMD_SWITCH_MELODY = 32773;
constexpr int CMD_SWITCH_HOUR = 32771;
constexpr int CMD_SWITCH_HALF = 32772;
constexpr int CMD_SWITCH_QUARTER = 32779;
constexpr int CMD_VOLUME_PLUS3 = 32774;
constexpr int CMD_VOLUME_0 = 32775;
constexpr int CMD_VOLUME_MINUS3 = 32776;
constexpr int CMD_VOLUME_MINUS6 = 32777;
constexpr int CMD_REACQUIRE = 32780;
constexpr int CMD_LISTEN = 32781;

// Command id of switch i (0..3) and of volume step s (0..3), in menu order.
constexpr int SWITCH_COMMANDS[] = {CMD_SWITCH_MELODY, CMD_SWITCH_HOUR, CMD_SWITCH_HALF,
                                   CMD_SWITCH_QUARTER};
constexpr int VOLUME_COMMANDS[] = {CMD_VOLUME_PLUS3, CMD_VOLUME_0, CMD_VOLUME_MINUS3,
                                   CMD_VOLUME_MINUS6};

enum class MenuItemState {
    plain,     // a command without a mark
    unchecked, // carries a check mark when its switch or step is chosen
    checked,   // as unchecked, but starts checked
    inactive,  // drawn like any other item but cannot be chosen
};

struct MenuItemModel {
    const char* text;
    int commandId;
    MenuItemState state;
};

struct MenuDropDownModel {
    const char* text;
    std::span<const MenuItemModel> items;
};

// clang-format off
inline constexpr MenuItemModel FILE_MENU_ITEMS[] = {
    {"ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)", CMD_EXIT,           MenuItemState::plain},
};
inline constexpr MenuItemModel SWITCH_MENU_ITEMS[] = {
    {"時報前メロディ",         CMD_SWITCH_MELODY,  MenuItemState::unchecked},
    {"時報0分",               CMD_SWITCH_HOUR,    MenuItemState::unchecked},
    {"時報30分",              CMD_SWITCH_HALF,    MenuItemState::unchecked},
    {"時報15分・45分",         CMD_SWITCH_QUARTER, MenuItemState::unchecked},
};
inline constexpr MenuItemModel VOLUME_MENU_ITEMS[] = {
    {"音量+3db",              CMD_VOLUME_PLUS3,   MenuItemState::unchecked},
    {"音量0db",               CMD_VOLUME_0,       MenuItemState::checked},
    {"音量-3db",              CMD_VOLUME_MINUS3,  MenuItemState::unchecked},
    {"音量-6db",              CMD_VOLUME_MINUS6,  MenuItemState::unchecked},
};
inline constexpr MenuItemModel HELP_MENU_ITEMS[] = {
    {"ﾊﾞｰｼﾞｮﾝ情報(&A) ...",    CMD_ABOUT,          MenuItemState::plain},
    {"デバイス再取得",          CMD_REACQUIRE,      MenuItemState::inactive},
    {"曲の視聴（ランダム）",     CMD_LISTEN,         MenuItemState::plain},
};

// Top-level entries in their order; positions 1 and 2 are SWITCH_MENU_POSITION and
// VOLUME_MENU_POSITION of settings.h.
inline constexpr MenuDropDownModel MAIN_MENU[] = {
    {"ﾌｧｲﾙ(&F)",  FILE_MENU_ITEMS},
    {"機能",       SWITCH_MENU_ITEMS},
    {"音量",       VOLUME_MENU_ITEMS},
    {"ﾍﾙﾌﾟ(&H)",  HELP_MENU_ITEMS},
};
// clang-format on

// Alt with either character opens the about box (CMD_ABOUT).
inline constexpr char ABOUT_ACCELERATOR_CHARACTERS[] = {'?', '/'};

// The window: title, client size in pixels, and the period of the timer that drives the
// scheduler, in milliseconds.
constexpr char WINDOW_TITLE[] = "CHIMORA";
constexpr int WINDOW_WIDTH = 300;
constexpr int WINDOW_HEIGHT = 100;
constexpr int TIMER_PERIOD_MS = 300;

// The about box.
constexpr char ABOUT_CAPTION[] = "ﾊﾞｰｼﾞｮﾝ情報";
constexpr char ABOUT_TEXT[] = "CHIMORA Version 1.9";
constexpr char ABOUT_BUTTON_TEXT[] = "OK";

} // namespace chimora
