#include "connection_string.h"

#include <cctype>

namespace db {

namespace {

// A key as compared: without the blanks around it, in lower case.
std::string KeyName(const std::string& key) {
    std::size_t first = key.find_first_not_of(" \t");
    std::size_t last = key.find_last_not_of(" \t");
    if (first == std::string::npos) return "";
    std::string name;
    for (std::size_t i = first; i <= last; ++i)
        name += static_cast<char>(std::tolower(static_cast<unsigned char>(key[i])));
    return name;
}

bool IsPasswordKey(const std::string& key) {
    std::string name = KeyName(key);
    return name == "pwd" || name == "password";
}

// The end of the value that starts at `pos`: the next ';' outside braces ("}}" stands for one '}').
std::size_t ValueEnd(const std::string& text, std::size_t pos) {
    std::size_t start = text.find_first_not_of(" \t", pos);
    if (start != std::string::npos && text[start] == '{') {
        std::size_t i = start + 1;
        for (; i < text.size(); ++i) {
            if (text[i] != '}') continue;
            if (i + 1 >= text.size() || text[i + 1] != '}') break;
            ++i;
        }
        if (i >= text.size()) return text.size();  // no closing brace: the rest is the value
        pos = i + 1;
    }
    std::size_t end = text.find(';', pos);
    return end == std::string::npos ? text.size() : end;
}

}  // namespace

std::string MaskPasswords(const std::string& text) {
    std::string masked;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t equals = text.find('=', pos);
        std::size_t semicolon = text.find(';', pos);
        if (equals == std::string::npos || (semicolon != std::string::npos && semicolon < equals)) {
            std::size_t end = semicolon == std::string::npos ? text.size() : semicolon + 1;
            masked.append(text, pos, end - pos);  // a part without a value
            pos = end;
            continue;
        }
        std::size_t end = ValueEnd(text, equals + 1);
        masked.append(text, pos, equals + 1 - pos);
        if (IsPasswordKey(text.substr(pos, equals - pos)))
            masked += "****";
        else
            masked.append(text, equals + 1, end - equals - 1);
        if (end < text.size()) masked += ';';
        pos = end + 1;
    }
    return masked;
}

std::string ConnectionStringKeyValue(const std::string& text, const std::string& key) {
    std::string wanted = KeyName(key);
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t equals = text.find('=', pos);
        std::size_t semicolon = text.find(';', pos);
        if (equals == std::string::npos) return "";
        if (semicolon != std::string::npos && semicolon < equals) {
            pos = semicolon + 1;
            continue;
        }
        std::size_t end = ValueEnd(text, equals + 1);
        if (KeyName(text.substr(pos, equals - pos)) == wanted) {
            std::string value = text.substr(equals + 1, end - equals - 1);
            std::size_t first = value.find_first_not_of(" \t");
            std::size_t last = value.find_last_not_of(" \t");
            value = first == std::string::npos ? "" : value.substr(first, last - first + 1);
            if (value.size() >= 2 && value.front() == '{' && value.back() == '}')
                value = value.substr(1, value.size() - 2);
            return value;
        }
        pos = end + 1;
    }
    return "";
}

}  // namespace db
