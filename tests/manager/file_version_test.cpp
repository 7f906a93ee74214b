#include "manager/file_version.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "elf_writer.h"
#include "manager/os/manager_os.h"
#include "manager/os/version_block.h"
#include "tests/support/test_support.h"

using namespace testing_support;
using version_block::Node;

namespace {

std::string Bytes(const std::vector<unsigned char>& block) {
    return std::string(block.begin(), block.end());
}

std::vector<unsigned char> Translations(std::initializer_list<std::pair<int, int>> entries) {
    std::vector<unsigned char> list;
    for (auto [language, codePage] : entries)
        for (int half : {language, codePage}) {
            list.push_back(static_cast<unsigned char>(half & 0xFF));
            list.push_back(static_cast<unsigned char>(half >> 8));
        }
    return list;
}

// A block with the given string tables and translation list; no VarFileInfo at all when `translations` is
// null.
std::string Block(std::vector<Node> tables, const std::vector<unsigned char>* translations) {
    Node root = Node::Binary(version_block::kRootKey, version_block::FixedInfo{}.Serialize());
    root.children.push_back(Node::Parent("StringFileInfo", std::move(tables)));
    if (translations)
        root.children.push_back(Node::Parent("VarFileInfo", {Node::Binary("Translation", *translations)}));
    return Bytes(version_block::Serialize(root));
}

Node Table(const std::string& name, const std::string& fileVersion) {
    return Node::Parent(name, {Node::Text("FileDescription", "x"), Node::Text("FileVersion", fileVersion)});
}

class FileVersionTest : public ::testing::Test {
  protected:
    // A program file whose version section holds `block`.
    std::string Program(const std::string& block, ElfOptions options = {}) {
        std::string path = dir / ("program" + std::to_string(++count));
        WriteFile(path, BuildElf({{".text", std::string(40, '\x90')}, {manager_os::kVersionSection, block}},
                                 options));
        return path;
    }
    std::string Version(const std::string& path, std::size_t size = 1000) {
        std::string buffer(size + 1, '#');  // one guard byte behind the buffer
        bool got = GetFileVersionString(path, buffer.data(), size);
        EXPECT_EQ(buffer[size], '#') << "written past the buffer";
        return got ? std::string(buffer.c_str()) : "(none)";
    }

    TempDir dir;
    int count = 0;
    const std::vector<unsigned char> usEnglish = Translations({{0x0409, 0x04E4}});
};

}  // namespace

TEST(VersionBlockLayout, NodesAreLittleEndianWithKeysAndValuesOnFourByteBoundaries) {
    std::vector<unsigned char> text = version_block::Serialize(Node::Text("Ab", "xy"));
    EXPECT_EQ(Bytes(text), std::string("\x0F\x00\x03\x00\x01\x00"
                                       "Ab\0\0\0\0"
                                       "xy\0",
                                       15));
    Node parent = Node::Parent("P", {Node::Binary("B", {1, 2}), Node::Text("T", "")});
    EXPECT_EQ(Bytes(version_block::Serialize(parent)),
              std::string("\x1D\x00\x00\x00\x01\x00"
                          "P\0"  // no value: the first child follows
                          "\x0A\x00\x02\x00\x00\x00"
                          "B\0\x01\x02"  // binary child, 10 bytes
                          "\0\0"         // padding to the next child
                          "\x09\x00\x01\x00\x01\x00"
                          "T\0\0",  // text child: the empty text's zero
                          29));
}

TEST_F(FileVersionTest, FileWithoutVersionInformationGivesFalseAndLeavesTheBuffer) {
    WriteFile(dir / "text", "just some text that is no program\n");
    WriteFile(dir / "empty", "");
    for (const std::string& path : {dir / "missing", dir / "text", dir / "empty", dir.path(),
                                    BinPath("FileHolder"),  // a real program built without the section
                                    Program("")})
        EXPECT_EQ(Version(path), "(none)") << path;
    char buffer[4] = "abc";
    EXPECT_FALSE(GetFileVersionString(BinPath("FileHolder"), buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "abc");
}

TEST_F(FileVersionTest, NoTranslationOrAnEmptyListGivesFalse) {
    std::vector<unsigned char> none;
    EXPECT_EQ(Version(Program(Block({Table("040904E4", "1, 0")}, nullptr))), "(none)");
    EXPECT_EQ(Version(Program(Block({Table("040904E4", "1, 0")}, &none))), "(none)");
    // A translation whose table lacks FileVersion, or whose table is missing.
    EXPECT_EQ(
        Version(Program(Block({Node::Parent("040904E4", {Node::Text("ProductVersion", "1")})}, &usEnglish))),
        "(none)");
    EXPECT_EQ(Version(Program(Block({Table("040704E4", "1, 0")}, &usEnglish))), "(none)");
}

TEST_F(FileVersionTest, TheFirstTranslationWinsAndTableNamesMatchInEitherCase) {
    std::vector<unsigned char> germanFirst = Translations({{0x0407, 0x04E4}, {0x0409, 0x04E4}});
    std::string both =
        Block({Table("040904e4", "1, 0, 0, 9"), Table("040704e4", "2, 0, 0, 7")}, &germanFirst);
    EXPECT_EQ(Version(Program(both)), "2, 0, 0, 7");
    EXPECT_EQ(Version(Program(Block({Table("040904e4", "1, 2")}, &usEnglish))), "1, 2");
    EXPECT_EQ(Version(Program(Block({Table("040904E4", "1, 3")}, &usEnglish))), "1, 3");
}

TEST_F(FileVersionTest, ParenthesesBecomeBracesAndTheLabelDropsCommasAndBlanks) {
    std::string path = Program(Block({Table("040904e4", "2, 1, 0, 7 (beta)")}, &usEnglish));
    EXPECT_EQ(Version(path), "2, 1, 0, 7 {beta}");
    EXPECT_EQ(VersionLabelText(path), "Version: 2.1.0.7{beta}");
    EXPECT_EQ(VersionLabelText(dir / "missing"), "Version: ");
}

TEST_F(FileVersionTest, LongVersionIsCutToTheBufferAfterTheBracesAndBeforeTheLabelRules) {
    std::string longVersion = std::string(990, '1') + ", 2 (" + std::string(500, 'x') + ")";
    std::string path = Program(Block({Table("040904e4", longVersion)}, &usEnglish));
    std::string expected = std::string(990, '1') + ", 2 {" + std::string(4, 'x');  // 999 bytes
    EXPECT_EQ(Version(path), expected);
    EXPECT_EQ(VersionLabelText(path), "Version: " + std::string(990, '1') + ".2{xxxx");
    EXPECT_EQ(Version(path, 1), "");
    EXPECT_EQ(Version(path, 4), "111");
    char untouched = 'u';
    EXPECT_FALSE(GetFileVersionString(path, &untouched, 0));
    EXPECT_EQ(untouched, 'u');
}

TEST_F(FileVersionTest, ThirtyTwoBitAndBigEndianProgramFilesAreRead) {
    std::string block = Block({Table("040904e4", "3, 4")}, &usEnglish);
    EXPECT_EQ(Version(Program(block, {false, false})), "3, 4");
    EXPECT_EQ(Version(Program(block, {true, true})), "3, 4");
    EXPECT_EQ(Version(Program(block, {false, true})), "3, 4");
}

TEST_F(FileVersionTest, DamagedFilesAndBlocksGiveFalse) {
    std::string good = Block({Table("040904e4", "1, 0, 4, 0")}, &usEnglish);
    std::string program = ReadFile(Program(good));
    WriteFile(dir / "cut", program.substr(0, program.size() - 10));  // the section table is cut off
    EXPECT_EQ(Version(dir / "cut"), "(none)");

    std::string rootTooLong = good;
    rootTooLong[0] = static_cast<char>(good.size() + 4);  // longer than its section
    EXPECT_EQ(Version(Program(rootTooLong)), "(none)");
    EXPECT_EQ(Version(Program(good.substr(0, 5))), "(none)");  // not even a node header

    // A node that claims to reach past its parent is not followed; the reader stays inside the block.
    std::string childTooLong = good;
    std::size_t table = childTooLong.find("040904e4") - 6;
    childTooLong[table] = static_cast<char>(0xF0);
    EXPECT_EQ(Version(Program(childTooLong)), "(none)");
    std::string unterminatedKey = good;
    unterminatedKey.resize(unterminatedKey.find("FileVersion") + 11);
    unterminatedKey[0] = static_cast<char>(unterminatedKey.size() & 0xFF);
    unterminatedKey[1] = static_cast<char>(unterminatedKey.size() >> 8);
    EXPECT_EQ(Version(Program(unterminatedKey)), "(none)");
}

TEST(ManagerProgramVersion, TheBuiltProgramCarriesTheProjectVersion) {
    std::string manager = BinPath("QuillCollectorManager");
    char buffer[1000];
    ASSERT_TRUE(GetFileVersionString(manager, buffer, sizeof buffer));
    EXPECT_EQ(std::string(buffer), ProjectVersionText());
    EXPECT_EQ(VersionLabelText(manager), "Version: " + ProjectVersion());

    std::size_t size = manager_os::FileVersionInfoSize(manager);
    ASSERT_GT(size, 0u);
    std::vector<unsigned char> block(size);
    ASSERT_TRUE(manager_os::ReadFileVersionInfo(manager, size, block.data()));
    auto text = [&](const std::string& name) {
        const void* value = nullptr;
        std::size_t length = 0;
        if (!manager_os::QueryVersionValue(block.data(), "\\StringFileInfo\\040904E4\\" + name, value,
                                           length))
            return std::string("(none)");
        return std::string(static_cast<const char*>(value), length - 1);
    };
    EXPECT_EQ(text("FileDescription"), "Quill File Collector");
    EXPECT_EQ(text("ProductVersion"), ProjectVersionText());
    EXPECT_EQ(text("InternalName"), "QuillCollectorManager");
    EXPECT_EQ(text("OriginalFilename"), "QuillCollectorManager");
    EXPECT_EQ(text("ProductName"), "Quill");
    EXPECT_NE(text("CompanyName"), "(none)");
    EXPECT_NE(text("LegalCopyright"), "(none)");

    const void* value = nullptr;
    std::size_t length = 0;
    ASSERT_TRUE(manager_os::QueryVersionValue(block.data(), "\\", value, length));
    ASSERT_EQ(length, version_block::FixedInfo::kSize);
    std::uint32_t fixed[13];
    std::memcpy(fixed, value, sizeof fixed);  // little-endian, as this machine
    EXPECT_EQ(fixed[0], 0xFEEF04BDu);
    const std::array<unsigned, 4> version = ProjectVersionNumbers();
    EXPECT_EQ(fixed[2], version[0] << 16 | version[1]);  // file version, most significant half
    EXPECT_EQ(fixed[3], version[2] << 16 | version[3]);
    EXPECT_EQ(fixed[4], fixed[2]);  // product version
    EXPECT_EQ(fixed[5], fixed[3]);
    EXPECT_EQ(fixed[7], 0u);  // no file flags
    EXPECT_EQ(fixed[8], 4u);  // VOS__WINDOWS32, as the program's Windows resource says
    EXPECT_EQ(fixed[9], 1u);  // an application
    ASSERT_TRUE(manager_os::QueryVersionValue(block.data(), "\\VarFileInfo\\Translation", value, length));
    EXPECT_EQ(std::string(static_cast<const char*>(value), length), std::string("\x09\x04\xE4\x04", 4));
}

TEST(ManagerProgramVersion, TheVersionSurvivesStripping) {
    if (std::system("command -v objcopy >/dev/null 2>&1") != 0) GTEST_SKIP() << "objcopy is not installed";
    TempDir dir;
    std::string stripped = dir / "QuillCollectorManager";
    std::string command = "objcopy --strip-all '" + BinPath("QuillCollectorManager") + "' '" + stripped + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(VersionLabelText(stripped), "Version: " + ProjectVersion());
}
