// Connection string texts as they may be shown.
#pragma once

#include <string>

namespace db {

// The connection string with the value of every PWD or Password key (any case, blanks around the key
// allowed, braced values included) replaced by "****"; everything else stays byte for byte.
std::string MaskPasswords(const std::string& connectionString);

}  // namespace db
