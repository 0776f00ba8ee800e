#include <gtest/gtest.h>

#include "record/record.h"
#include "support/sim.h"

namespace corvell::record {
namespace {

using test::gbk;

TEST(RecordLine, QuotedFieldsSingleCommasCrLf) {
    EXPECT_EQ(formatLine({"C:\\TV\\a.exe", "TV", "t1"}), "\"C:\\TV\\a.exe\",\"TV\",\"t1\"\r\n");
    EXPECT_EQ(formatLine({"p, q", " t ", "a", "b"}), "\"p, q\",\" t \",\"a\",\"b\"\r\n");
}

TEST(RecordFile, NameFollowsTheFamily) {
    EXPECT_EQ(fileName(0), "C:\\dorvanlog9x.txt");
    EXPECT_EQ(fileName(1), "C:\\dorvanlog2k.txt");
}

TEST(RecordReader, TakesTheFirstTwoDelimitedFields) {
    struct Case {
        const char* bytes;
        const char* path;
        const char* title;
    } cases[] = {
        {"\"C:\\a.exe\",\"TV\",\"t\"\r\n", "C:\\a.exe", "TV"},
        {"\"C:\\a.exe\",\"TV\",\"t\",\"u\"\r\n", "C:\\a.exe", "TV"},
        {"\"C:\\a,b\\x.exe\",\"T, V\"\r\n", "C:\\a,b\\x.exe", "T, V"},
        {"  \"p\" , \"t\"", "p", "t"},
        {"plain path ,  title  ,more", "plain path", "title"},
        {"\"\",\"\"\r\n", "", ""},
        {"p,", "p", ""},
        {"\"p\"junk,\"t\"", "p", "t"},
        {"\"p\",\"unterminated", "p", "unterminated"},
        {"\"p\",\"t\"\r\n\"second\",\"line\"\r\n", "p", "t"},
    };
    for (const Case& c : cases) {
        auto d = parseDefaults(c.bytes);
        ASSERT_TRUE(d.has_value()) << c.bytes;
        EXPECT_EQ(d->path, c.path) << c.bytes;
        EXPECT_EQ(d->title, c.title) << c.bytes;
    }
}

TEST(RecordReader, FewerThanTwoFieldsIsNoRecord) {
    for (const std::string& bytes :
         std::vector<std::string>{"", "\r\n", "\"only\"\r\n", "one", "\n\"p\",\"t\"",
                                  std::string("\"p\0x\",\"t\"", 10)}) {
        EXPECT_FALSE(parseDefaults(bytes).has_value()) << bytes;
    }
}

TEST(RecordFileIo, WritesCodePage936AndReadsItBack) {
    test::FakeServices sys({2004, 3, 16, 21, 5, 7});
    write(sys, 1, {"D:\\电视\\tv.exe", "电视", "2004年3月16日21时5分7秒"});
    const std::string want = "\"D:\\" + gbk("电视") + "\\tv.exe\",\"" + gbk("电视") + "\",\"2004" +
                             gbk("年") + "3" + gbk("月") + "16" + gbk("日") + "21" + gbk("时") +
                             "5" + gbk("分") + "7" + gbk("秒") + "\"\r\n";
    EXPECT_EQ(sys.files["C:\\dorvanlog2k.txt"], want);
    EXPECT_EQ(gbk("年"), "\xC4\xEA");
    EXPECT_EQ(sys.files.count("C:\\dorvanlog9x.txt"), 0u);

    auto d = readDefaults(sys, 1);
    ASSERT_TRUE(d.has_value());
    EXPECT_EQ(d->path, "D:\\电视\\tv.exe");
    EXPECT_EQ(d->title, "电视");
    EXPECT_FALSE(readDefaults(sys, 0).has_value());
}

TEST(RecordFileIo, FailedWriteIsSilentAndKeepsTheOldRecord) {
    test::FakeServices sys({2004, 3, 16, 21, 5, 7});
    write(sys, 1, {"C:\\old.exe", "Old", "t"});
    sys.unwritable.insert("C:\\dorvanlog2k.txt");
    write(sys, 1, {"C:\\new.exe", "New", "t", "u"});
    auto d = readDefaults(sys, 1);
    ASSERT_TRUE(d.has_value());
    EXPECT_EQ(d->path, "C:\\old.exe");
    EXPECT_EQ(sys.messages.size(), 0u);
}

}  // namespace
}  // namespace corvell::record
