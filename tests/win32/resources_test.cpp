// The compiled resources hold what the shared menu model and texts say: a drift between
// chimora.rc and main_menu.h (a text, an id, an order, a state) fails here.
#include "about_dialog.h"
#include "main_menu.h"
#include "resource_ids.h"
#include "wide_text.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace chimora {
namespace {

HINSTANCE module() { return GetModuleHandleW(nullptr); }

std::wstring menuText(HMENU menu, int position) {
    wchar_t text[128] = L"";
    GetMenuStringW(menu, static_cast<UINT>(position), text, 128, MF_BYPOSITION);
    return text;
}

MENUITEMINFOW itemInfo(HMENU menu, int position) {
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STATE | MIIM_FTYPE | MIIM_ID;
    GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &item);
    return item;
}

UINT expectedState(MenuItemState state) {
    switch (state) {
    case MenuItemState::checked: return MFS_CHECKED;
    case MenuItemState::inactive: return MF_DISABLED; // cannot be chosen, but not greyed
    case MenuItemState::plain:
    case MenuItemState::unchecked: break;
    }
    return 0;
}

TEST(Win32Resources, MenuHoldsTheSharedModelInOrder) {
    const HMENU menu = LoadMenuW(module(), MAKEINTRESOURCEW(IDC_CHIMORA));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(GetMenuItemCount(menu), static_cast<int>(std::size(MAIN_MENU)));
    for (int top = 0; top < GetMenuItemCount(menu); ++top) {
        const MenuDropDownModel& model = MAIN_MENU[top];
        EXPECT_EQ(menuText(menu, top), wideFromUtf8(model.text)) << "drop-down " << top;
        const HMENU dropDown = GetSubMenu(menu, top);
        ASSERT_EQ(GetMenuItemCount(dropDown), static_cast<int>(model.items.size()));
        for (int position = 0; position < GetMenuItemCount(dropDown); ++position) {
            const MenuItemModel& item = model.items[static_cast<std::size_t>(position)];
            const MENUITEMINFOW info = itemInfo(dropDown, position);
            SCOPED_TRACE("item " + std::to_string(top) + "." + std::to_string(position));
            EXPECT_EQ(menuText(dropDown, position), wideFromUtf8(item.text));
            EXPECT_EQ(info.wID, static_cast<UINT>(item.commandId));
            EXPECT_EQ(info.fState, expectedState(item.state));
            EXPECT_EQ(info.fType, static_cast<UINT>(MFT_STRING)); // plain check marks, no bullets
        }
    }
    DestroyMenu(menu);
}

TEST(Win32Resources, AltWithQuestionMarkOrSlashOpensTheAboutBox) {
    const HACCEL table = LoadAcceleratorsW(module(), MAKEINTRESOURCEW(IDC_CHIMORA));
    ASSERT_NE(table, nullptr);
    ACCEL entries[4];
    ASSERT_EQ(CopyAcceleratorTableW(table, entries, 4), 2);
    for (int i = 0; i < 2; ++i) {
        // Characters, not virtual keys: "?" is the same key as "/" with Shift on most layouts.
        EXPECT_EQ(entries[i].fVirt & ~0x80, FALT) << i; // 0x80 marks the table's last entry
        EXPECT_EQ(entries[i].key, static_cast<WORD>(ABOUT_ACCELERATOR_CHARACTERS[i]));
        EXPECT_EQ(entries[i].cmd, CMD_ABOUT);
    }
}

TEST(Win32Resources, StringsNameTheWindowAndItsClass) {
    for (const UINT id : {IDS_APP_TITLE, IDC_CHIMORA}) {
        wchar_t text[100] = L"";
        LoadStringW(module(), id, text, 100);
        EXPECT_EQ(std::wstring(text), wideFromUtf8(WINDOW_TITLE)) << id;
    }
}

// An icon group as stored in the resources (GRPICONDIR with its entries).
#pragma pack(push, 2)
struct IconGroupEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bitsPerPixel;
    DWORD bytes;
    WORD id;
};
struct IconGroup {
    WORD reserved, type, count;
    IconGroupEntry entries[1];
};
#pragma pack(pop)

std::vector<int> iconSizes(int id) {
    const HRSRC found = FindResourceW(module(), MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(14));
    if (found == nullptr) return {};
    const auto* group = static_cast<const IconGroup*>(LockResource(LoadResource(module(), found)));
    std::vector<int> sizes;
    for (WORD i = 0; i < group->count; ++i) {
        const IconGroupEntry& entry = group->entries[i];
        EXPECT_EQ(entry.bitsPerPixel, 4) << "icon " << id << " image " << i;
        sizes.push_back(entry.width);
        EXPECT_EQ(entry.height, entry.width);
    }
    return sizes;
}

TEST(Win32Resources, IconsAreSixteenColourImagesOfTheirSizes) {
    EXPECT_EQ(iconSizes(IDI_CHIMORA), (std::vector<int>{32, 16}));
    EXPECT_EQ(iconSizes(IDI_SMALL), (std::vector<int>{16}));
}

std::wstring controlText(HWND dialog, int id) {
    wchar_t text[100] = L"";
    GetDlgItemTextW(dialog, id, text, 100);
    return text;
}

TEST(Win32Resources, AboutBoxShowsTheVersionAndEndsOnOkOrCancelOnly) {
    for (const int endingId : {IDOK, IDCANCEL}) {
        const HWND dialog = CreateDialogParamW(module(), MAKEINTRESOURCEW(IDD_ABOUTBOX), nullptr,
                                               aboutDialogProc, 0);
        ASSERT_NE(dialog, nullptr);
        wchar_t caption[100] = L"";
        GetWindowTextW(dialog, caption, 100);
        EXPECT_EQ(std::wstring(caption), wideFromUtf8(ABOUT_CAPTION));
        EXPECT_EQ(controlText(dialog, IDOK), wideFromUtf8(ABOUT_BUTTON_TEXT));
        std::vector<std::wstring> texts;
        for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
             child = GetWindow(child, GW_HWNDNEXT)) {
            wchar_t text[100] = L"";
            GetWindowTextW(child, text, 100);
            texts.emplace_back(text);
        }
        EXPECT_NE(std::find(texts.begin(), texts.end(), wideFromUtf8(ABOUT_TEXT)), texts.end());

        ShowWindow(dialog, SW_SHOW);
        SendMessageW(dialog, WM_COMMAND, IDYES, 0); // any other command leaves it open
        EXPECT_TRUE(IsWindowVisible(dialog));
        SendMessageW(dialog, WM_COMMAND, static_cast<WPARAM>(endingId), 0);
        EXPECT_FALSE(IsWindowVisible(dialog)) << endingId;
        DestroyWindow(dialog);
    }
}

} // namespace
} // namespace chimora
