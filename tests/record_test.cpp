#include <gtest/gtest.h>

#include "record/record.h"
#include "support/sim.h"

namespace corvell::record {
namespace {

using test::gbk;
using namespace std::string_literals;

// A reader's answer as "path|title", or "none".
std::string offered(const std::optional<Defaults>& d) {
    return d ? d->path + "|" + d->title : "none";
}

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
        const char* offered;
    } cases[] = {
        {"\"C:\\a.exe\",\"TV\",\"t\"\r\n", "C:\\a.exe|TV"},
        {"\"C:\\a.exe\",\"TV\",\"t\",\"u\"\r\n", "C:\\a.exe|TV"},
        {"\"C:\\a,b\\x.exe\",\"T, V\"\r\n", "C:\\a,b\\x.exe|T, V"},
        {"  \"p\" , \"t\"", "p|t"},
        {"plain path ,  title  ,more", "plain path|title"},
        {"\"\",\"\"\r\n", "|"},
        {"p,", "p|"},
        {"\"p\"junk,\"t\"", "p|t"},
        {"\"p\",\"unterminated", "p|unterminated"},
        {"\"p\",\"t\"\r\n\"second\",\"line\"\r\n", "p|t"},
    };
    for (const Case& c : cases) EXPECT_EQ(offered(parseDefaults(c.bytes)), c.offered) << c.bytes;
}

TEST(RecordReader, FewerThanTwoFieldsIsNoRecord) {
    for (const std::string& bytes :
         std::vector<std::string>{"", "\r\n", "\"only\"\r\n", "one", "\n\"p\",\"t\"",
                                  "\"p\0x\",\"t\""s}) {
        EXPECT_EQ(offered(parseDefaults(bytes)), "none") << bytes;
    }
}

TEST(RecordFileIo, WritesCodePage936AndReadsItBack) {
    test::FakeServices sys({2004, 3, 16, 21, 5, 7});
    write(sys, 1, {"D:\\电视\\tv.exe", "电视", "2004年3月16日21时5分7秒"});
    EXPECT_EQ(sys.files["C:\\dorvanlog2k.txt"],
              gbk("\"D:\\电视\\tv.exe\",\"电视\",\"2004年3月16日21时5分7秒\"\r\n"));
    EXPECT_EQ(gbk("年"), "\xC4\xEA");
    EXPECT_EQ(sys.files.count("C:\\dorvanlog9x.txt"), 0u);
    EXPECT_EQ(offered(readDefaults(sys, 1)), "D:\\电视\\tv.exe|电视");
    EXPECT_EQ(offered(readDefaults(sys, 0)), "none");
}

TEST(RecordFileIo, CharactersTheCodePageLacksKeepTheLineInUtf8OnTheNtFamily) {
    test::FakeServices sys({2004, 3, 16, 21, 5, 7});
    write(sys, 1, {"C:\\TV\\tv.exe", "한국TV", "2004年3月16日21时5分7秒"});
    EXPECT_EQ(sys.files["C:\\dorvanlog2k.txt"],
              "\xEF\xBB\xBF\"C:\\TV\\tv.exe\",\"한국TV\",\"2004年3月16日21时5分7秒\"\r\n");
    EXPECT_EQ(offered(readDefaults(sys, 1)), "C:\\TV\\tv.exe|한국TV");

    // One such character anywhere in the line decides, the path's too.
    write(sys, 1, {"C:\\Tiếng Việt\\tv.exe", "电视", "t"});
    EXPECT_EQ(sys.files["C:\\dorvanlog2k.txt"].substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_EQ(offered(readDefaults(sys, 1)), "C:\\Tiếng Việt\\tv.exe|电视");

    // 95/98/Me: their text came from the code page; the line stays in it.
    write(sys, 0, {"C:\\TV\\tv.exe", "한국TV", "t"});
    EXPECT_EQ(sys.files["C:\\dorvanlog9x.txt"], "\"C:\\TV\\tv.exe\",\"??TV\",\"t\"\r\n");
}

// Where the record goes, by what the root of C: and the record allow.
struct Where {
    Where() { sys.files[kRoot] = "\"C:\\old.exe\",\"Old\",\"t\"\r\n"; }
    void writeNew() { write(sys, 1, {"C:\\new.exe", "New", "t"}); }
    static constexpr const char* kRoot = "C:\\dorvanlog2k.txt";
    static constexpr const char* kOwn = "C:\\Users\\Viewer\\AppData\\Local\\Corvell\\dorvanlog2k.txt";
    static constexpr const char* kNew = "\"C:\\new.exe\",\"New\",\"t\"\r\n";
    test::FakeServices sys{{2004, 3, 16, 21, 5, 7}};
};

TEST(RecordWrite, AWritableRootGetsACompleteNewFileAndTheUsersFolderIsLeftAlone) {
    Where w;
    w.writeNew();
    EXPECT_EQ(w.sys.files[Where::kRoot], Where::kNew);
    EXPECT_EQ(w.sys.count("rewriteFile"), 0);
    EXPECT_EQ(w.sys.count("createFolder"), 0);
    EXPECT_EQ(w.sys.files.count(Where::kOwn), 0u);
}

TEST(RecordWrite, ARootThatTakesNoNewFileHasTheRecordRewrittenWhereItStands) {
    Where w;
    w.sys.refusingFolders.insert("C:");
    w.writeNew();
    EXPECT_EQ(w.sys.files[Where::kRoot], Where::kNew);
    EXPECT_EQ(w.sys.callNames(), (std::vector<std::string>{"replaceFile", "rewriteFile"}));
    EXPECT_EQ(w.sys.files.size(), 1u);
}

TEST(RecordWrite, WithNoWritableRecordInARefusingRootTheUsersFolderKeepsIt) {
    for (bool recordThere : {false, true}) {
        Where w;
        w.sys.refusingFolders.insert("C:");
        if (recordThere) {
            w.sys.unwritable.insert(Where::kRoot);  // made by an administrator, read-only
        } else {
            w.sys.files.clear();
        }
        w.writeNew();
        EXPECT_EQ(w.sys.files[Where::kOwn], Where::kNew) << recordThere;
        EXPECT_EQ(w.sys.folders, std::set<std::string>{"C:\\Users\\Viewer\\AppData\\Local\\Corvell"});
        EXPECT_EQ(w.sys.files.count(Where::kRoot), recordThere ? 1u : 0u);
        EXPECT_TRUE(w.sys.messages.empty());
    }
}

TEST(RecordWrite, ARecordThatCannotBeReplacedStaysWholeAndIsNeverOverwrittenInPlace) {
    Where w;
    const std::string old = w.sys.files[Where::kRoot];
    w.sys.unwritable.insert(Where::kRoot);  // held open by another program
    w.writeNew();
    EXPECT_EQ(w.sys.files[Where::kRoot], old);
    EXPECT_EQ(w.sys.count("rewriteFile"), 0);
    EXPECT_EQ(w.sys.files[Where::kOwn], Where::kNew);
    EXPECT_EQ(offered(readDefaults(w.sys, 1)), "C:\\new.exe|New");  // at the next start-up
}

TEST(RecordWrite, AWriteThatFailsEverywhereIsSilent) {
    Where w;
    w.sys.refusingFolders.insert("C:");
    w.sys.files.clear();
    w.sys.localAppData.clear();
    w.writeNew();
    EXPECT_TRUE(w.sys.files.empty());
    EXPECT_TRUE(w.sys.messages.empty());
}

TEST(RecordRead, TheFileWrittenLastIsTheOneOffered) {
    struct Case {
        uint64_t root, own;
        const char* want;
    } cases[] = {{10, 20, "C:\\own.exe|Own"},
                 {20, 10, "C:\\root.exe|Root"},
                 {10, 10, "C:\\root.exe|Root"},
                 {0, 5, "C:\\own.exe|Own"}};
    for (const Case& c : cases) {
        Where w;
        w.sys.files[Where::kRoot] = "\"C:\\root.exe\",\"Root\"\r\n";
        w.sys.files[Where::kOwn] = "\"C:\\own.exe\",\"Own\"\r\n";
        w.sys.lastWrite[Where::kRoot] = c.root;
        w.sys.lastWrite[Where::kOwn] = c.own;
        EXPECT_EQ(offered(readDefaults(w.sys, 1)), c.want) << c.root << " " << c.own;
    }
}

TEST(RecordRead, EitherFileAloneIsReadAndANewerEmptyOneHidesNothing) {
    Where w;
    w.sys.files.clear();
    w.sys.files[Where::kOwn] = "\"C:\\own.exe\",\"Own\"\r\n";
    EXPECT_EQ(offered(readDefaults(w.sys, 1)), "C:\\own.exe|Own");
    EXPECT_EQ(offered(readDefaults(w.sys, 0)), "none");  // the other family's name
    // A rewrite cut short leaves the newer file empty.
    w.sys.files[Where::kRoot] = "";
    w.sys.lastWrite[Where::kRoot] = 99;
    EXPECT_EQ(offered(readDefaults(w.sys, 1)), "C:\\own.exe|Own");
    w.sys.localAppData.clear();
    EXPECT_EQ(offered(readDefaults(w.sys, 1)), "none");
}

}  // namespace
}  // namespace corvell::record
