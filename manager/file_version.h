// The file version of a program, read from the program file's own version information.
#pragma once

#include <cstddef>
#include <string>

// Copies the FileVersion text of the first translation of `path`'s version information into `buffer`
// (at most size - 1 characters and a terminating zero), with "(" and ")" turned into "{" and "}".
// False, with the buffer untouched, when the file has no such text or `size` is 0.
bool GetFileVersionString(const std::string& path, char* buffer, std::size_t size);

// The about box's version line for a program file: "Version: " and its file version with commas turned
// into points and blanks removed; just "Version: " when the file has none.
std::string VersionLabelText(const std::string& programPath);
