#include "ini_text.h"

#include "test_names.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace chimora {
namespace {

struct FindCase {
    const char* text;
    const char* section;
    const char* key;
    std::optional<std::string> value;
};

// Rows are named after the text, then the section and key looked for.
std::string findCaseName(const ::testing::TestParamInfo<FindCase>& row) {
    return testing::testNameFromText(row.param.text) + "_In_" + row.param.section + "_" +
           row.param.key;
}
void PrintTo(const FindCase& item, std::ostream* out) {
    *out << ::testing::PrintToString(std::string(item.text));
}

class FindIniValueTest : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindIniValueTest, ReadsTheValue) {
    EXPECT_EQ(findIniValue(GetParam().text, GetParam().section, GetParam().key), GetParam().value)
        << GetParam().text;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Rules, FindIniValueTest,
    ::testing::Values(
        FindCase{"[kinou]\r\nmenu0=1\r\n", "kinou", "menu0", "1"},
        FindCase{"[KINOU]\nMenu0=1\n", "kinou", "mEnU0", "1"},          // case
        FindCase{"  [ kinou ]  \n \tmenu0 \t=  0 1 \t\n", "kinou", "menu0", "0 1"}, // blanks
        FindCase{"[kinou]\nmenu0=\"  1 \"\n", "kinou", "menu0", "  1 "},  // quotes
        FindCase{"[kinou]\nmenu0='x'\n", "kinou", "menu0", "x"},
        FindCase{"[kinou]\nmenu0=\"x'\n", "kinou", "menu0", "\"x'"},     // not matching
        FindCase{"[kinou]\nmenu0=\"\n", "kinou", "menu0", "\""},         // a lone quote
        FindCase{"[kinou]\nmenu0=\n", "kinou", "menu0", ""},
        FindCase{"[kinou]\nmenu0=a=b\n", "kinou", "menu0", "a=b"},
        FindCase{"[kinou]\n;menu0=0\nmenu0=1\n", "kinou", "menu0", "1"},  // comment
        FindCase{"[kinou]\n  ; menu0=0\n", "kinou", "menu0", std::nullopt},
        FindCase{"[other]\nmenu0=0\n[kinou]\nvol=1\n", "kinou", "menu0", std::nullopt},
        FindCase{"menu0=0\n[kinou]\n", "kinou", "menu0", std::nullopt},  // before any section
        FindCase{"[kinou]\nmenu0=0\n", "onryo", "vol", std::nullopt},
        FindCase{"", "kinou", "menu0", std::nullopt},
        FindCase{"[kinou]\nmenu0=1\nmenu0=0\n", "kinou", "menu0", "1"},  // first key counts
        FindCase{"[kinou]\rmenu0=1\r", "kinou", "menu0", "1"},           // lone CR ends lines
        FindCase{"[kinou]\nmenu0=1", "kinou", "menu0", "1"},           // no final line end
        FindCase{"\xEF\xBB\xBF[kinou]\nmenu0=0\n", "kinou", "menu0", "0"}), // byte-order mark
    findCaseName);
// clang-format on

struct SetCase {
    const char* before;
    const char* section;
    const char* key;
    const char* value;
    const char* after;
};

// Rows are named after the text before, then the key set and its value.
std::string setCaseName(const ::testing::TestParamInfo<SetCase>& row) {
    return testing::testNameFromText(row.param.before) + "_Set_" + row.param.section + "_" +
           row.param.key + "_" + row.param.value;
}
void PrintTo(const SetCase& item, std::ostream* out) {
    *out << ::testing::PrintToString(std::string(item.before));
}

class SetIniValueTest : public ::testing::TestWithParam<SetCase> {};

TEST_P(SetIniValueTest, ChangesOnlyWhatItMust) {
    EXPECT_EQ(setIniValue(GetParam().before, GetParam().section, GetParam().key, GetParam().value),
              GetParam().after);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Rules, SetIniValueTest,
    ::testing::Values(
        // In place, whatever the spelling and blanks of the old line; line ends kept.
        SetCase{"[kinou]\r\n  MENU1 = \"1\" \r\nmenu2=1\n", "kinou", "menu1", "0",
                "[kinou]\r\nmenu1=0\r\nmenu2=1\n"},
        // A comment that looks like the key is not the key.
        SetCase{"[kinou]\n;menu1=1\n", "kinou", "menu1", "0", "[kinou]\n;menu1=1\nmenu1=0\n"},
        // A missing key goes after the section's last line, before blank lines and the next one.
        SetCase{"[kinou]\r\nmenu0=1\r\n\r\n[onryo]\r\nvol=1\r\n", "kinou", "menu3", "1",
                "[kinou]\r\nmenu0=1\r\nmenu3=1\r\n\r\n[onryo]\r\nvol=1\r\n"},
        SetCase{"[kinou]\n[onryo]\n", "kinou", "menu0", "1", "[kinou]\nmenu0=1\n[onryo]\n"},
        // A new line takes the end of the line it follows, not the file's first one.
        SetCase{"[kinou]\r\nmenu0=1\n[onryo]\r\n", "kinou", "menu1", "0",
                "[kinou]\r\nmenu0=1\nmenu1=0\n[onryo]\r\n"},
        SetCase{"[kinou]\nmenu0=1\r\n", "kinou", "menu1", "0",
                "[kinou]\nmenu0=1\r\nmenu1=0\r\n"},
        SetCase{"[onryo]\r\nvol=1", "onryo", "x", "2", "[onryo]\r\nvol=1\r\nx=2\r\n"},
        // A missing section goes at the end, with the file's line ends.
        SetCase{"; notes\r\n[kinou]\r\nmenu0=1\r\n", "onryo", "vol", "3",
                "; notes\r\n[kinou]\r\nmenu0=1\r\n[onryo]\r\nvol=3\r\n"},
        SetCase{"[kinou]\nmenu0=1", "onryo", "vol", "3", "[kinou]\nmenu0=1\n[onryo]\nvol=3\n"},
        SetCase{"", "kinou", "menu0", "0", "[kinou]\nmenu0=0\n"},
        // Only the first section of a name is written to.
        SetCase{"[a]\nk=1\n[A]\nk=2\n", "a", "k", "3", "[a]\nk=3\n[A]\nk=2\n"},
        // A byte-order mark stays in front and does not hide the first section.
        SetCase{"\xEF\xBB\xBF[kinou]\nmenu0=0\n", "kinou", "menu0", "1",
                "\xEF\xBB\xBF[kinou]\nmenu0=1\n"},
        SetCase{"\xEF\xBB\xBF", "kinou", "menu0", "1", "\xEF\xBB\xBF[kinou]\nmenu0=1\n"}),
    setCaseName);
// clang-format on

} // namespace
} // namespace chimora
