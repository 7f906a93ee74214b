// Build tool: packs PNG pictures into one Windows icon file (.ico), one entry per picture, in the order
// given. Windows (Vista and later) and Wine read PNG-compressed icon entries of every size.
//   QcIconPack <output.ico> <picture.png>...
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

constexpr unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::size_t kIconDirSize = 6;
constexpr std::size_t kIconEntrySize = 16;

void PutU16(Bytes& out, std::uint32_t value) {
    out.push_back(static_cast<unsigned char>(value & 0xFF));
    out.push_back(static_cast<unsigned char>((value >> 8) & 0xFF));
}

void PutU32(Bytes& out, std::uint32_t value) {
    PutU16(out, value & 0xFFFF);
    PutU16(out, value >> 16);
}

std::uint32_t BigEndian32(const Bytes& data, std::size_t at) {
    return std::uint32_t{data[at]} << 24 | std::uint32_t{data[at + 1]} << 16 |
           std::uint32_t{data[at + 2]} << 8 | std::uint32_t{data[at + 3]};
}

struct Picture {
    Bytes data;
    std::uint32_t width = 0, height = 0;
};

// A PNG file whose header chunk gives a size an icon entry can hold (1 to 256 pixels each way).
bool ReadPicture(const char* path, Picture& picture) {
    std::ifstream in(path, std::ios::binary);
    picture.data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (picture.data.size() < 24 ||
        !std::equal(std::begin(kPngSignature), std::end(kPngSignature), picture.data.begin()))
        return false;
    picture.width = BigEndian32(picture.data, 16);
    picture.height = BigEndian32(picture.data, 20);
    return picture.width >= 1 && picture.width <= 256 && picture.height >= 1 && picture.height <= 256;
}

// An entry's size byte: 0 stands for 256.
unsigned char SizeByte(std::uint32_t pixels) {
    return static_cast<unsigned char>(pixels == 256 ? 0 : pixels);
}

Bytes Pack(const std::vector<Picture>& pictures) {
    Bytes out;
    PutU16(out, 0);  // reserved
    PutU16(out, 1);  // an icon, not a cursor
    PutU16(out, static_cast<std::uint32_t>(pictures.size()));
    std::size_t offset = kIconDirSize + kIconEntrySize * pictures.size();
    for (const Picture& picture : pictures) {
        out.push_back(SizeByte(picture.width));
        out.push_back(SizeByte(picture.height));
        out.push_back(0);  // no palette
        out.push_back(0);  // reserved
        PutU16(out, 1);    // colour planes
        PutU16(out, 32);   // bits per pixel
        PutU32(out, static_cast<std::uint32_t>(picture.data.size()));
        PutU32(out, static_cast<std::uint32_t>(offset));
        offset += picture.data.size();
    }
    for (const Picture& picture : pictures)
        out.insert(out.end(), picture.data.begin(), picture.data.end());
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <output.ico> <picture.png>...\n", argv[0]);
        return 2;
    }
    std::vector<Picture> pictures(static_cast<std::size_t>(argc - 2));
    for (int i = 2; i < argc; ++i)
        if (!ReadPicture(argv[i], pictures[static_cast<std::size_t>(i - 2)])) {
            std::fprintf(stderr, "%s: not a PNG picture of 1 to 256 pixels each way\n", argv[i]);
            return 1;
        }
    Bytes icon = Pack(pictures);
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(icon.data()), static_cast<std::streamsize>(icon.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "%s: cannot be written\n", argv[1]);
        return 1;
    }
    return 0;
}
