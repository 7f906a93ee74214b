// The version information block of a program file, laid out like a Windows VERSIONINFO resource but with
// 8-bit texts, so that the same queries work on every OS.
//
// The block is a tree of nodes, all numbers little-endian, every node starting on a 4-byte boundary
// (counted from the start of the block):
//
//   u16 length        bytes of the node, key, value and children, without padding after the last child
//   u16 valueLength   bytes of the value (for a text: its characters and the terminating zero)
//   u16 type          0 binary value, 1 text value
//   char key[]        zero-terminated name
//   padding           to the next 4-byte boundary
//   value             valueLength bytes
//   padding           to the next 4-byte boundary
//   children          nodes, each padded to a 4-byte boundary
//
// The root is "VS_VERSION_INFO" with the 52-byte fixed part as its value and the children "StringFileInfo"
// (one string table per language, named like "040904e4", holding one text node per name) and "VarFileInfo"
// (with "Translation": pairs of a 16-bit language and a 16-bit code page).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace version_block {

inline constexpr const char* kRootKey = "VS_VERSION_INFO";
inline constexpr std::uint16_t kBinary = 0;
inline constexpr std::uint16_t kText = 1;
inline constexpr std::size_t kNodeHeaderSize = 6;
inline constexpr std::size_t kMaxNodeSize = 0xFFFF;

// The fixed part (the root's value), 13 little-endian 32-bit words.
struct FixedInfo {
    static constexpr std::uint32_t kSignature = 0xFEEF04BD;
    static constexpr std::uint32_t kStructVersion = 0x00010000;
    static constexpr std::uint32_t kFlagsMask = 0x3F;
    // VOS__WINDOWS32, as the Windows resource of the same program says. The value list names no Linux, so
    // this block, which mimics that resource for the same readers, says the same.
    static constexpr std::uint32_t kOsWindows32 = 0x00000004;
    static constexpr std::uint32_t kTypeApplication = 1;
    static constexpr std::size_t kSize = 52;

    std::uint16_t fileVersion[4] = {0, 0, 0, 0};     // major, minor, patch, build
    std::uint16_t productVersion[4] = {0, 0, 0, 0};  // the same order
    std::uint32_t fileFlags = 0;
    std::uint32_t fileOs = kOsWindows32;
    std::uint32_t fileType = kTypeApplication;

    std::vector<unsigned char> Serialize() const;
};

struct Node {
    std::string key;
    std::uint16_t type = kText;
    std::vector<unsigned char> value;
    std::vector<Node> children;

    static Node Text(const std::string& key, const std::string& text);  // value: text and its zero
    static Node Binary(const std::string& key, std::vector<unsigned char> value);
    static Node Parent(const std::string& key, std::vector<Node> children);
};

// The node's bytes; throws std::length_error when a node outgrows its 16-bit length.
std::vector<unsigned char> Serialize(const Node& node);

// The usual block: fixed part, one string table per translation, and the translation list.
struct Resource {
    struct Translation {
        std::uint16_t language;
        std::uint16_t codePage;
    };
    FixedInfo fixed;
    std::vector<Translation> translations;
    std::vector<std::pair<std::string, std::string>> strings;  // name, value; every table holds them all
};
Node BuildTree(const Resource& resource);

// The node length recorded at the start of a block, or 0 when `size` bytes cannot hold a root node.
std::size_t RootLength(const unsigned char* block, std::size_t size);

// Finds a value by its path of backslash-separated names ("\" is the root's own value), names compared
// without regard to ASCII case. The block must be at least RootLength bytes long; every node is checked
// against the bounds of its parent.
bool FindValue(const unsigned char* block, const std::string& subBlock, const unsigned char*& value,
               std::size_t& length);

}  // namespace version_block
