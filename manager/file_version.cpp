#include "manager/file_version.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "common/text_format.h"
#include "manager/os/manager_os.h"

namespace {

constexpr std::size_t kVersionTextSize = 1000;

// The first entry of the translation list: a 16-bit language followed by a 16-bit code page.
bool FirstTranslation(const void* block, std::uint16_t& language, std::uint16_t& codePage) {
    const void* value = nullptr;
    std::size_t length = 0;
    if (!manager_os::QueryVersionValue(block, "\\VarFileInfo\\Translation", value, length) || length < 4)
        return false;
    const auto* bytes = static_cast<const unsigned char*>(value);
    language = static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
    codePage = static_cast<std::uint16_t>(bytes[2] | bytes[3] << 8);
    return true;
}

}  // namespace

bool GetFileVersionString(const std::string& path, char* buffer, std::size_t size) {
    if (!buffer || size == 0) return false;  // no room even for the terminating zero
    std::size_t blockSize = manager_os::FileVersionInfoSize(path);
    if (blockSize == 0) return false;
    std::unique_ptr<unsigned char[]> block(new (std::nothrow) unsigned char[blockSize]);
    if (!block || !manager_os::ReadFileVersionInfo(path, blockSize, block.get())) return false;
    std::uint16_t language = 0, codePage = 0;
    if (!FirstTranslation(block.get(), language, codePage)) return false;
    std::string query = StrPrintf("\\StringFileInfo\\%04X%04X\\FileVersion", language, codePage);
    const void* value = nullptr;
    std::size_t length = 0;
    if (!manager_os::QueryVersionValue(block.get(), query, value, length)) return false;
    std::string text(static_cast<const char*>(value), strnlen(static_cast<const char*>(value), length));
    std::replace(text.begin(), text.end(), '(', '{');
    std::replace(text.begin(), text.end(), ')', '}');
    std::size_t kept = std::min(text.size(), size - 1);
    std::memcpy(buffer, text.data(), kept);
    buffer[kept] = '\0';
    buffer[size - 1] = '\0';
    return true;
}

std::string VersionLabelText(const std::string& programPath) {
    char buffer[kVersionTextSize];
    std::string version;
    if (GetFileVersionString(programPath, buffer, sizeof buffer)) version = buffer;
    std::replace(version.begin(), version.end(), ',', '.');
    version.erase(std::remove(version.begin(), version.end(), ' '), version.end());
    return StrPrintf("Version: %s", version.c_str());
}
