#include "app_fakes.h"
#include "menu_marks.h"
#include "settings.h"
#include "system_services.h"
#include "temp_directory.h"

#include "test_names.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string>

namespace chimora {
namespace {

// Our own profile writer keeps the file's layout byte for byte; Windows' writer lays the file
// out its own way (key case, blank lines, line ends), where what must hold is that no other
// line is lost and the values read back.
#if defined(_WIN32)
constexpr bool OWN_PROFILE_WRITER = false;
#else
constexpr bool OWN_PROFILE_WRITER = true;
#endif

void expectFileKeeps(const std::string& text, std::initializer_list<const char*> lines) {
    for (const char* line : lines) EXPECT_NE(text.find(line), std::string::npos) << line;
}

using namespace chimora::testing;

// The real settings file, ".\switch.ini" in a fresh current directory.
class SettingsTest : public ::testing::Test {
protected:
    void load() { loadSettings(settings, profile, menu); }

    TempDirectory folder;
    WorkingDirectory inFolder{folder.path()};
    const std::string file = folder.file("switch.ini");
    SystemProfileStrings profile;
    FakeMenu menu;
    Settings settings;
};

TEST_F(SettingsTest, MissingFileGivesTheDefaultsAndWritesNothing) {
    load();
    for (int i = 0; i < SWITCH_COUNT; ++i) EXPECT_EQ(settings.featureFlags[i], 1);
    EXPECT_EQ(settings.melodyGain, 1.0);
    EXPECT_EQ(menu.marks(SWITCH_MENU_POSITION), "1111");
    EXPECT_EQ(menu.marks(VOLUME_MENU_POSITION), "0100");
    EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
}

struct SwitchValueCase {
    const char* value; // as it stands after "menu2=" in the file
    bool on;
};

// Rows are named after the value in the file.
std::string switchValueName(const ::testing::TestParamInfo<SwitchValueCase>& row) {
    return "Value_" + testing::testNameFromText(row.param.value);
}
void PrintTo(const SwitchValueCase& item, std::ostream* out) { *out << '"' << item.value << '"'; }

class SwitchValueTest : public SettingsTest,
                        public ::testing::WithParamInterface<SwitchValueCase> {};

TEST_P(SwitchValueTest, OnlyTheInteger1TurnsASwitchOn) {
    writeFile(file, std::string("[kinou]\r\nmenu2=") + GetParam().value + "\r\n");
    load();
    EXPECT_EQ(settings.featureFlags[SWITCH_HALF], GetParam().on ? 1 : 0);
    EXPECT_EQ(menu.marks(SWITCH_MENU_POSITION), GetParam().on ? "1111" : "1101");
}

INSTANTIATE_TEST_SUITE_P(
    Values, SwitchValueTest,
    ::testing::Values(SwitchValueCase{"1", true}, SwitchValueCase{"01", true},
                      SwitchValueCase{"+1", true}, SwitchValueCase{"   1", true},
                      SwitchValueCase{"\"  1\"", true}, SwitchValueCase{"1abc", true},
                      SwitchValueCase{"000000000000001", false}, // 15 characters, cut to 14
                      SwitchValueCase{"0", false}, SwitchValueCase{"2", false},
                      SwitchValueCase{"-1", false}, SwitchValueCase{"yes", false},
                      SwitchValueCase{"", false}),
    switchValueName);

struct VolumeValueCase {
    const char* value;
    std::string marks;
    double gain;
};

std::string volumeValueName(const ::testing::TestParamInfo<VolumeValueCase>& row) {
    return "Value_" + testing::testNameFromText(row.param.value);
}
void PrintTo(const VolumeValueCase& item, std::ostream* out) { *out << '"' << item.value << '"'; }

class VolumeValueTest : public SettingsTest,
                        public ::testing::WithParamInterface<VolumeValueCase> {};

TEST_P(VolumeValueTest, StepIsClampedToTheFourSteps) {
    writeFile(file, std::string("[onryo]\nvol=") + GetParam().value + "\n");
    load();
    EXPECT_EQ(settings.melodyGain, GetParam().gain);
    EXPECT_EQ(menu.marks(VOLUME_MENU_POSITION), GetParam().marks);
}

INSTANTIATE_TEST_SUITE_P(
    Values, VolumeValueTest,
    ::testing::Values(VolumeValueCase{"0", "1000", 1.41}, VolumeValueCase{"2", "0010", 0.705},
                      VolumeValueCase{"3", "0001", 0.5}, VolumeValueCase{"7", "0001", 0.5},
                      VolumeValueCase{"-2", "1000", 1.41}, VolumeValueCase{"loud", "1000", 1.41},
                      VolumeValueCase{"99999999999999", "0001", 0.5}),
    volumeValueName);

TEST_F(SettingsTest, SavingWritesAtOnceAndKeepsEverythingElse) {
    const std::string before =
        "; chosen by hand\r\n[kinou]\r\nmenu0=1\r\nMENU2 = 1\r\n\r\n[other]\r\nx=y\r\n";
    writeFile(file, before);
    saveFeatureFlag(profile, SWITCH_HALF, false);
    if (OWN_PROFILE_WRITER) {
        EXPECT_EQ(readFile(file), "; chosen by hand\r\n[kinou]\r\nmenu0=1\r\nmenu2=0\r\n\r\n[other]"
                                  "\r\nx=y\r\n");
    }
    saveFeatureFlag(profile, SWITCH_QUARTER, true);
    saveVolume(profile, 3);
    if (OWN_PROFILE_WRITER) {
        EXPECT_EQ(readFile(file), "; chosen by hand\r\n[kinou]\r\nmenu0=1\r\nmenu2=0\r\nmenu3=1\r\n"
                                  "\r\n[other]\r\nx=y\r\n[onryo]\r\nvol=3\r\n");
    } else {
        expectFileKeeps(readFile(file), {"; chosen by hand", "[other]", "x=y", "menu0=1"});
    }
    load();
    EXPECT_EQ(menu.marks(SWITCH_MENU_POSITION), "1101");
    EXPECT_EQ(settings.melodyGain, 0.5);
}

TEST_F(SettingsTest, SavesOfAFreshFileReadBackAsSaved) {
    saveFeatureFlag(profile, SWITCH_MELODY, false);
    saveFeatureFlag(profile, SWITCH_HOUR, true);
    saveVolume(profile, 2);
    saveFeatureFlag(profile, 4, false); // no such switch
    saveVolume(profile, 4);             // no such step
    if (OWN_PROFILE_WRITER) {
        EXPECT_EQ(readFile(file), "[kinou]\nmenu0=0\nmenu1=1\n[onryo]\nvol=2\n");
    }
    load();
    EXPECT_EQ(menu.marks(SWITCH_MENU_POSITION), "0111");
    EXPECT_EQ(settings.melodyGain, 0.705);
}

// --- Menu marks ---------------------------------------------------------------------------

TEST(MenuMarksTest, ToggleFlipsOneItemAndRedraws) {
    FakeMenu menu;
    toggleMenuCheck(menu, 2, 4, 1);
    EXPECT_EQ(menu.marks(1), "0010");
    toggleMenuCheck(menu, 2, 4, 1);
    EXPECT_EQ(menu.marks(1), "0000");
    EXPECT_EQ(menu.redraws, 2);
}

TEST(MenuMarksTest, CheckOneLeavesASingleMark) {
    FakeMenu menu;
    menu.checked[2][0] = menu.checked[2][3] = true;
    checkOneMenuItem(menu, 1, 4, 2);
    EXPECT_EQ(menu.marks(2), "0100");
    EXPECT_EQ(menu.redraws, 1);
}

struct MarkPosition {
    int item;
    int count;
    int top;
};

std::string markPositionName(const ::testing::TestParamInfo<MarkPosition>& row) {
    return "Item" + testing::testNameFromNumber(row.param.item) + "Of" +
           testing::testNameFromNumber(row.param.count) + "InMenu" +
           testing::testNameFromNumber(row.param.top);
}
void PrintTo(const MarkPosition& item, std::ostream* out) {
    *out << "item " << item.item << " of " << item.count << " in menu " << item.top;
}

class MenuPositionTest : public ::testing::TestWithParam<MarkPosition> {};

// The help drop-down (3) and items past the end are never touched.
TEST_P(MenuPositionTest, PositionsOutsideTheMenuChangeNothing) {
    FakeMenu menu;
    toggleMenuCheck(menu, GetParam().item, GetParam().count, GetParam().top);
    checkOneMenuItem(menu, GetParam().item, GetParam().count, GetParam().top);
    for (int top = 0; top < 4; ++top) EXPECT_EQ(menu.marks(top), "0000");
    EXPECT_EQ(menu.redraws, 0);
}

INSTANTIATE_TEST_SUITE_P(Positions, MenuPositionTest,
                         ::testing::Values(MarkPosition{0, 4, 3}, MarkPosition{4, 4, 1},
                                           MarkPosition{-1, 4, 2}, MarkPosition{0, 4, -1}),
                         markPositionName);

} // namespace
} // namespace chimora
