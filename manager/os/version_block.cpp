#include "manager/os/version_block.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace version_block {

namespace {

std::size_t Align4(std::size_t offset) {
    return (offset + 3) & ~static_cast<std::size_t>(3);
}

void Put16(std::vector<unsigned char>& out, std::size_t at, std::uint16_t value) {
    out[at] = static_cast<unsigned char>(value & 0xFF);
    out[at + 1] = static_cast<unsigned char>(value >> 8);
}

void Append32(std::vector<unsigned char>& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<unsigned char>((value >> shift) & 0xFF));
}

std::uint16_t Get16(const unsigned char* at) {
    return static_cast<std::uint16_t>(at[0] | (at[1] << 8));
}

std::uint32_t HighLow(std::uint16_t high, std::uint16_t low) {
    return (static_cast<std::uint32_t>(high) << 16) | low;
}

bool SameName(const char* a, std::size_t aLength, const std::string& b) {
    if (aLength != b.size()) return false;
    for (std::size_t i = 0; i < aLength; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// One node of a block, its parts checked against the bounds [begin, end) it must lie in.
struct NodeView {
    std::size_t begin = 0, end = 0;  // the node itself
    const char* key = nullptr;
    std::size_t keyLength = 0;
    std::size_t valueBegin = 0, valueLength = 0;
    std::size_t childrenBegin = 0;

    bool Parse(const unsigned char* block, std::size_t at, std::size_t limit) {
        if (at > limit || limit - at < kNodeHeaderSize) return false;
        std::size_t length = Get16(block + at);
        if (length < kNodeHeaderSize || length > limit - at) return false;
        begin = at;
        end = at + length;
        key = reinterpret_cast<const char*>(block + at + kNodeHeaderSize);
        const void* zero = std::memchr(key, 0, end - (at + kNodeHeaderSize));
        if (!zero) return false;
        keyLength = static_cast<std::size_t>(static_cast<const char*>(zero) - key);
        valueBegin = Align4(at + kNodeHeaderSize + keyLength + 1);
        valueLength = Get16(block + at + 2);
        if (valueBegin > end) valueBegin = end;  // a node without value may end right after its key
        if (valueLength > end - valueBegin) return false;
        childrenBegin = Align4(valueBegin + valueLength);
        return true;
    }
};

}  // namespace

std::vector<unsigned char> FixedInfo::Serialize() const {
    std::vector<unsigned char> out;
    Append32(out, kSignature);
    Append32(out, kStructVersion);
    Append32(out, HighLow(fileVersion[0], fileVersion[1]));
    Append32(out, HighLow(fileVersion[2], fileVersion[3]));
    Append32(out, HighLow(productVersion[0], productVersion[1]));
    Append32(out, HighLow(productVersion[2], productVersion[3]));
    Append32(out, kFlagsMask);
    Append32(out, fileFlags);
    Append32(out, fileOs);
    Append32(out, fileType);
    Append32(out, 0);  // subtype
    Append32(out, 0);  // file date, high and low
    Append32(out, 0);
    return out;
}

Node Node::Text(const std::string& key, const std::string& text) {
    Node node{key, kText, std::vector<unsigned char>(text.begin(), text.end()), {}};
    node.value.push_back(0);
    return node;
}

Node Node::Binary(const std::string& key, std::vector<unsigned char> value) {
    return Node{key, kBinary, std::move(value), {}};
}

Node Node::Parent(const std::string& key, std::vector<Node> children) {
    return Node{key, kText, {}, std::move(children)};
}

std::vector<unsigned char> Serialize(const Node& node) {
    // Appended byte by byte: GCC 12 sees false bounds errors in range inserts here.
    std::vector<unsigned char> out(kNodeHeaderSize);
    for (char c : node.key)
        out.push_back(static_cast<unsigned char>(c));
    out.push_back(0);
    out.resize(Align4(out.size()));
    for (unsigned char byte : node.value)
        out.push_back(byte);
    for (const Node& child : node.children) {
        out.resize(Align4(out.size()));
        for (unsigned char byte : Serialize(child))
            out.push_back(byte);
    }
    if (out.size() > kMaxNodeSize || node.value.size() > kMaxNodeSize)
        throw std::length_error("version node \"" + node.key + "\" is too long");
    Put16(out, 0, static_cast<std::uint16_t>(out.size()));
    Put16(out, 2, static_cast<std::uint16_t>(node.value.size()));
    Put16(out, 4, node.type);
    return out;
}

Node BuildTree(const Resource& resource) {
    std::vector<Node> tables;
    std::vector<unsigned char> translationList;
    for (const Resource::Translation& t : resource.translations) {
        char name[9];
        std::snprintf(name, sizeof name, "%04x%04x", t.language, t.codePage);
        std::vector<Node> strings;
        for (const auto& [key, text] : resource.strings)
            strings.push_back(Node::Text(key, text));
        tables.push_back(Node::Parent(name, std::move(strings)));
        for (std::uint16_t half : {t.language, t.codePage}) {
            translationList.push_back(static_cast<unsigned char>(half & 0xFF));
            translationList.push_back(static_cast<unsigned char>(half >> 8));
        }
    }
    Node root = Node::Binary(kRootKey, resource.fixed.Serialize());
    root.children.push_back(Node::Parent("StringFileInfo", std::move(tables)));
    root.children.push_back(
        Node::Parent("VarFileInfo", {Node::Binary("Translation", std::move(translationList))}));
    return root;
}

std::size_t RootLength(const unsigned char* block, std::size_t size) {
    if (!block || size < kNodeHeaderSize) return 0;
    std::size_t length = Get16(block);
    return length >= kNodeHeaderSize && length <= size ? length : 0;
}

bool FindValue(const unsigned char* block, const std::string& subBlock, const unsigned char*& value,
               std::size_t& length) {
    NodeView node;
    if (!block || !node.Parse(block, 0, Get16(block))) return false;
    for (std::size_t start = 0; start < subBlock.size();) {
        std::size_t stop = subBlock.find('\\', start);
        if (stop == std::string::npos) stop = subBlock.size();
        if (stop > start) {  // empty names (leading, doubled or trailing backslashes) are no step
            std::string name = subBlock.substr(start, stop - start);
            NodeView child;
            bool found = false;
            for (std::size_t at = node.childrenBegin; at < node.end && !found; at = Align4(child.end)) {
                if (!child.Parse(block, at, node.end)) return false;
                found = SameName(child.key, child.keyLength, name);
            }
            if (!found) return false;
            node = child;
        }
        start = stop + 1;
    }
    value = block + node.valueBegin;
    length = node.valueLength;
    return true;
}

}  // namespace version_block
