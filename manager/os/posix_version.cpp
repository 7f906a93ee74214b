// POSIX: version information, kept in a named ELF section of the program file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "manager/os/manager_os.h"
#include "manager/os/version_block.h"

namespace manager_os {

const char* const kVersionSection = ".qc_versioninfo";

namespace {

// A block is at most one 16-bit node long, plus the padding that may follow it.
constexpr std::uint64_t kMaxBlockSize = version_block::kMaxNodeSize + 4;
constexpr std::uint64_t kMaxNameTableSize = 1 << 20;
constexpr std::uint64_t kMaxSections = 1 << 16;
constexpr std::uint32_t kSectionNoBits = 8;       // SHT_NOBITS: a section without bytes in the file
constexpr std::uint32_t kExtendedIndex = 0xFFFF;  // SHN_XINDEX

class ReadOnlyFile {
  public:
    explicit ReadOnlyFile(const std::string& path) {
        fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        struct stat st {};
        if (fd_ >= 0 && fstat(fd_, &st) == 0 && S_ISREG(st.st_mode))
            size_ = static_cast<std::uint64_t>(st.st_size);
    }
    ~ReadOnlyFile() {
        if (fd_ >= 0) close(fd_);
    }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    // Reads exactly `n` bytes at `offset`; false when they do not all lie in the file.
    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t n) const {
        if (fd_ < 0 || offset > size_ || n > size_ - offset) return false;
        auto* out = static_cast<unsigned char*>(buffer);
        for (std::size_t done = 0; done < n;) {
            ssize_t got = pread(fd_, out + done, n - done, static_cast<off_t>(offset + done));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return false;
            done += static_cast<std::size_t>(got);
        }
        return true;
    }

  private:
    int fd_ = -1;
    std::uint64_t size_ = 0;
};

// Field offsets of the ELF file and section headers, for 32-bit and 64-bit files.
struct ElfLayout {
    bool is64 = false;
    bool littleEndian = true;

    std::size_t HeaderSize() const { return is64 ? 64 : 52; }
    std::size_t SectionHeaderOffsetAt() const { return is64 ? 0x28 : 0x20; }
    std::size_t SectionEntrySizeAt() const { return is64 ? 0x3A : 0x2E; }
    std::size_t SectionHeaderSize() const { return is64 ? 0x40 : 0x28; }
    std::size_t AddressSize() const { return is64 ? 8 : 4; }
    std::size_t SectionOffsetAt() const { return is64 ? 0x18 : 0x10; }
    std::size_t SectionSizeAt() const { return is64 ? 0x20 : 0x14; }
    std::size_t SectionLinkAt() const { return is64 ? 0x28 : 0x18; }

    std::uint64_t Read(const unsigned char* at, std::size_t width) const {
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < width; ++i)
            value |= static_cast<std::uint64_t>(at[littleEndian ? i : width - 1 - i]) << (8 * i);
        return value;
    }
};

struct SectionHeader {
    std::uint32_t name = 0, type = 0, link = 0;
    std::uint64_t offset = 0, size = 0;
};

class ElfFile {
  public:
    explicit ElfFile(const ReadOnlyFile& file) : file_(file) {}

    bool Open() {
        unsigned char header[64];
        if (!file_.ReadAt(0, header, 16) || std::memcmp(header,
                                                        "\x7F"
                                                        "ELF",
                                                        4) != 0)
            return false;
        if ((header[4] != 1 && header[4] != 2) || (header[5] != 1 && header[5] != 2)) return false;
        layout_.is64 = header[4] == 2;
        layout_.littleEndian = header[5] == 1;
        if (!file_.ReadAt(0, header, layout_.HeaderSize())) return false;
        tableOffset_ = layout_.Read(header + layout_.SectionHeaderOffsetAt(), layout_.AddressSize());
        entrySize_ = layout_.Read(header + layout_.SectionEntrySizeAt(), 2);
        count_ = layout_.Read(header + layout_.SectionEntrySizeAt() + 2, 2);
        std::uint64_t namesIndex = layout_.Read(header + layout_.SectionEntrySizeAt() + 4, 2);
        if (tableOffset_ == 0 || entrySize_ < layout_.SectionHeaderSize()) return false;
        SectionHeader first;
        if (!Section(0, first)) return false;
        if (count_ == 0) count_ = first.size;  // more sections than the header's 16 bits can count
        if (namesIndex == kExtendedIndex) namesIndex = first.link;
        if (count_ > kMaxSections || namesIndex >= count_) return false;
        return Section(namesIndex, names_) && names_.type != kSectionNoBits &&
               names_.size <= kMaxNameTableSize;
    }

    bool Find(const std::string& name, SectionHeader& found) const {
        std::string table(static_cast<std::size_t>(names_.size), '\0');
        if (!file_.ReadAt(names_.offset, table.data(), table.size())) return false;
        for (std::uint64_t i = 1; i < count_; ++i) {
            if (!Section(i, found)) return false;
            if (found.name < table.size() &&
                table.compare(found.name, name.size() + 1, name.c_str(), name.size() + 1) == 0)
                return found.type != kSectionNoBits;
        }
        return false;
    }

  private:
    bool Section(std::uint64_t index, SectionHeader& out) const {
        unsigned char entry[0x40];
        if (index > (UINT64_MAX - tableOffset_) / entrySize_) return false;
        if (!file_.ReadAt(tableOffset_ + index * entrySize_, entry, layout_.SectionHeaderSize()))
            return false;
        out.name = static_cast<std::uint32_t>(layout_.Read(entry, 4));
        out.type = static_cast<std::uint32_t>(layout_.Read(entry + 4, 4));
        out.offset = layout_.Read(entry + layout_.SectionOffsetAt(), layout_.AddressSize());
        out.size = layout_.Read(entry + layout_.SectionSizeAt(), layout_.AddressSize());
        out.link = static_cast<std::uint32_t>(layout_.Read(entry + layout_.SectionLinkAt(), 4));
        return true;
    }

    const ReadOnlyFile& file_;
    ElfLayout layout_;
    std::uint64_t tableOffset_ = 0, entrySize_ = 0, count_ = 0;
    SectionHeader names_;
};

// The version section of a file, when the file has one of a size a block can have.
bool FindVersionSection(const ReadOnlyFile& file, SectionHeader& section) {
    ElfFile elf(file);
    if (!elf.Open() || !elf.Find(kVersionSection, section)) return false;
    return section.size >= version_block::kNodeHeaderSize && section.size <= kMaxBlockSize;
}

bool ReadBlock(const ReadOnlyFile& file, const SectionHeader& section, unsigned char* block) {
    std::size_t size = static_cast<std::size_t>(section.size);
    return file.ReadAt(section.offset, block, size) && version_block::RootLength(block, size) != 0;
}

}  // namespace

std::size_t FileVersionInfoSize(const std::string& path) {
    ReadOnlyFile file(path);
    SectionHeader section;
    unsigned char start[version_block::kNodeHeaderSize];
    if (!FindVersionSection(file, section) || !file.ReadAt(section.offset, start, sizeof start) ||
        version_block::RootLength(start, static_cast<std::size_t>(section.size)) == 0) {
        errno = ENODATA;
        return 0;
    }
    return static_cast<std::size_t>(section.size);
}

bool ReadFileVersionInfo(const std::string& path, std::size_t size, void* block) {
    ReadOnlyFile file(path);
    SectionHeader section;
    if (!block || !FindVersionSection(file, section) || section.size > size ||
        !ReadBlock(file, section, static_cast<unsigned char*>(block))) {
        errno = ENODATA;
        return false;
    }
    return true;
}

bool QueryVersionValue(const void* block, const std::string& subBlock, const void*& value,
                       std::size_t& length) {
    const unsigned char* found = nullptr;
    if (!version_block::FindValue(static_cast<const unsigned char*>(block), subBlock, found, length)) {
        errno = ENODATA;
        return false;
    }
    value = found;
    return true;
}

}  // namespace manager_os
