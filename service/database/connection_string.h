// Connection string texts as they may be shown.
#pragma once

#include <string>

namespace db {

// The connection string with the value of every PWD or Password key (any case, blanks around the key
// allowed, braced values included) replaced by "****"; everything else stays byte for byte.
std::string MaskPasswords(const std::string& connectionString);

// The value of `key` (any case, blanks around it allowed) in a connection string, without braces; empty
// when the key is missing.
std::string ConnectionStringKeyValue(const std::string& connectionString, const std::string& key);

}  // namespace db
