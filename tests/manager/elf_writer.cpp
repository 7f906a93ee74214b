#include "elf_writer.h"

#include <cstdint>

namespace {

class Writer {
  public:
    explicit Writer(ElfOptions options) : options_(options) {}

    void Put(std::uint64_t value, int width) {
        for (int i = 0; i < width; ++i) {
            int shift = 8 * (options_.bigEndian ? width - 1 - i : i);
            bytes += static_cast<char>((value >> shift) & 0xFF);
        }
    }
    void Address(std::uint64_t value) { Put(value, options_.is64 ? 8 : 4); }
    void Align(std::size_t to) { bytes.resize((bytes.size() + to - 1) / to * to, '\0'); }

    std::string bytes;

  private:
    ElfOptions options_;
};

struct Placed {
    std::uint32_t nameOffset, type;
    std::uint64_t offset, size;
};

}  // namespace

std::string BuildElf(const std::vector<ElfSection>& sections, ElfOptions options) {
    Writer w(options);
    const int headerSize = options.is64 ? 64 : 52, entrySize = options.is64 ? 64 : 40;
    w.bytes.assign(static_cast<std::size_t>(headerSize), '\0');  // filled in at the end

    std::string names(1, '\0');
    std::vector<Placed> placed{{0, 0, 0, 0}};
    auto place = [&](const std::string& name, const std::string& content, std::uint32_t type) {
        w.Align(4);
        placed.push_back({static_cast<std::uint32_t>(names.size()), type, w.bytes.size(), content.size()});
        names += name + '\0';
        w.bytes += content;
    };
    for (const ElfSection& section : sections)
        place(section.name, section.bytes, 1);  // SHT_PROGBITS
    std::string nameTable = names + ".shstrtab" + '\0';
    place(".shstrtab", nameTable, 3);  // SHT_STRTAB

    w.Align(8);
    const std::uint64_t tableOffset = w.bytes.size();
    for (const Placed& p : placed) {
        w.Put(p.nameOffset, 4);
        w.Put(p.type, 4);
        w.Address(0);  // flags
        w.Address(0);  // address
        w.Address(p.offset);
        w.Address(p.size);
        w.Put(0, 4);  // link
        w.Put(0, 4);  // info
        w.Address(1);
        w.Address(0);
    }

    Writer header(options);
    header.bytes = std::string(
        "\x7F"
        "ELF",
        4);
    header.bytes += static_cast<char>(options.is64 ? 2 : 1);
    header.bytes += static_cast<char>(options.bigEndian ? 2 : 1);
    header.bytes += '\x01';
    header.bytes.resize(16, '\0');
    header.Put(2, 2);   // executable
    header.Put(62, 2);  // machine: any will do
    header.Put(1, 4);
    header.Address(0);  // entry
    header.Address(0);  // program headers
    header.Address(tableOffset);
    header.Put(0, 4);
    header.Put(static_cast<std::uint64_t>(headerSize), 2);
    header.Put(0, 2);
    header.Put(0, 2);
    header.Put(static_cast<std::uint64_t>(entrySize), 2);
    header.Put(placed.size(), 2);
    header.Put(placed.size() - 1, 2);  // the name table is the last section
    w.bytes.replace(0, header.bytes.size(), header.bytes);
    return w.bytes;
}
