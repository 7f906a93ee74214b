// What the manager alone needs from the operating system: the signer chooser's filter, the version
// information of program files and the system menu of its window. One implementation file per OS
// (posix_*.cpp, win32_*.cpp beside this header), picked by the build; what both programs need is in
// common/platform/platform.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace manager_os {

// ---- The signer chooser
// ------------------------------------------------------------------------------------

// The signer chooser's filter, programs first: "Programs (*)|*|All Files (*.*)|*.*||" (POSIX programs
// carry no extension, so only "*" shows them), "Exe Files (*.exe)|*.exe|All Files (*.*)|*.*||".
extern const char* const kSignerFileFilter;

// ---- Version information of program files ----------------------------------------------------------------

// The version information block of a file (see version_block.h for its layout; on POSIX it is the ELF
// section kVersionSection). Size in bytes, or 0 when the file has none or cannot be read.
extern const char* const kVersionSection;
std::size_t FileVersionInfoSize(const std::string& path);
// Copies the block of `path` into `block`, which has room for `size` bytes (as FileVersionInfoSize gave).
bool ReadFileVersionInfo(const std::string& path, std::size_t size, void* block);
// Finds a value in a block read by ReadFileVersionInfo: "\" for the fixed part,
// "\VarFileInfo\Translation", "\StringFileInfo\040904E4\FileVersion"; names compared without regard
// to case. `length` is the value's size in bytes (for a text with its terminating zero).
bool QueryVersionValue(const void* block, const std::string& subBlock, const void*& value,
                       std::size_t& length);

// ---- Window system menu
// ------------------------------------------------------------------------------------

// Appends a separator and then an item with `commandId` and `text` to the system menu of the native window
// `window`. False when the window has no system menu, as no window has on POSIX.
bool AppendSystemMenuItem(std::uintptr_t window, unsigned commandId, const std::string& text);
// The command word of a system-menu message among a window's native messages (WM_SYSCOMMAND on
// Windows). False for every other message, and always on POSIX.
bool SystemMenuCommand(const void* nativeMessage, unsigned& command);

}  // namespace manager_os
