#include "document_key.h"

#include <algorithm>
#include <cstring>

std::string DeriveDocumentKey(const char* data, std::size_t size) {
    std::size_t length = size > 0 ? size - 1 : 0;
    const void* zero = std::memchr(data, '\0', length);
    if (zero) length = static_cast<std::size_t>(static_cast<const char*>(zero) - data);
    std::string text(data, length);
    text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
    for (std::size_t at = text.find("AP0"); at != std::string::npos; at = text.find("AP0", at + 3))
        text[at + 2] = '1';
    std::size_t l = text.size();
    std::string head = l >= 4 ? text.substr(0, l - 4) : std::string();
    return head + text.substr(l >= 2 ? l - 2 : 0);
}
