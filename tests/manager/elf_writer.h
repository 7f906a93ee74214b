// Minimal ELF files for the version reader's tests: a file header, the sections' bytes and a section table.
#pragma once

#include <string>
#include <vector>

struct ElfSection {
    std::string name;
    std::string bytes;
};

struct ElfOptions {
    bool is64 = true;
    bool bigEndian = false;
};

// The sections get indexes 1..n in order; a section name table follows them.
std::string BuildElf(const std::vector<ElfSection>& sections, ElfOptions options = {});
