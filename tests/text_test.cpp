#include <gtest/gtest.h>

#include <utility>

#include "common/path.h"
#include "common/text.h"

namespace corvell {
namespace {

TEST(TimeText, NoLeadingZerosAndNothingBetweenParts) {
    EXPECT_EQ(timeText({2004, 3, 16, 21, 5, 7}), "2004年3月16日21时5分7秒");
    EXPECT_EQ(timeText({2010, 12, 1, 0, 0, 0}), "2010年12月1日0时0分0秒");
}

TEST(Path, TheFolderOfAFileInADriveRootKeepsItsBackslash) {
    EXPECT_EQ(folderOf("C:\\tv.exe"), "C:\\");
    EXPECT_EQ(folderOf("C:\\TV Card\\tv.exe"), "C:\\TV Card");
    EXPECT_EQ(folderOf("tv.exe"), "");
}

TEST(DaysInMonth, DivisibleByFourAloneMakesALeapYear) {
    EXPECT_EQ(daysInMonth(2, 2004), 29);
    EXPECT_EQ(daysInMonth(2, 2005), 28);
    EXPECT_EQ(daysInMonth(2, 2100), 29);
    EXPECT_EQ(daysInMonth(4, 2005), 30);
    EXPECT_EQ(daysInMonth(12, 2005), 31);
    EXPECT_EQ(daysInMonth(13, 2005), 31);
}

TEST(ItemNumber, DropsTheUnitAsACodePointThenConverts) {
    const std::pair<const char*, const char*> dropped[] = {
        {"12月", "12"}, {"2005年", "2005"}, {"7x", "7"}, {"年", ""}, {"", ""}};
    for (const auto& [text, number] : dropped) EXPECT_EQ(dropLastChar(text), number) << text;
    const std::pair<const char*, int16_t> converted[] = {
        {"2005", 2005}, {" 12 ", 12}, {"-5", -5}, {"32767", 32767}, {"-32768", -32768}};
    for (const auto& [text, value] : converted) EXPECT_EQ(toInt16(text), value) << text;
}

TEST(ItemNumber, TextThatIsNoSixteenBitNumberGivesNothing) {
    for (const char* bad : {"", "   ", "32768", "-32769", "12a", "a12", "1 2", "+", "-", "0x10",
                            "99999999999999999999"}) {
        EXPECT_FALSE(toInt16(bad).has_value()) << bad;
    }
}

TEST(NormaliseInput, RemovesQuotesThenOuterSpaces) {
    EXPECT_EQ(normaliseInput("\"C:\\TV Capture Card\\HDTVPCI.EXE\""),
              "C:\\TV Capture Card\\HDTVPCI.EXE");
    EXPECT_EQ(normaliseInput("  \" TV Capture Card \"  "), "TV Capture Card");
    EXPECT_EQ(normaliseInput("a\"b\"c"), "abc");
    EXPECT_EQ(normaliseInput("   "), "");
    EXPECT_EQ(normaliseInput("\"\""), "");
}

}  // namespace
}  // namespace corvell
