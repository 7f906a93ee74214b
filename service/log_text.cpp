#include "log_text.h"

namespace {

std::string Escape(std::string_view text, bool doubleBackslashes) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string shown;
    shown.reserve(text.size());
    for (char c : text) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (c == '\\' && doubleBackslashes)
            shown += "\\\\";
        else if (c == '\r')
            shown += "\\r";
        else if (c == '\t')
            shown += "\\t";
        else if (c == '\n')
            shown += "\\n";
        else if (byte < 0x20 || byte == 0x7F)
            shown += {'\\', 'x', kHex[byte >> 4], kHex[byte & 0xF]};
        else
            shown += c;
    }
    return shown;
}

}  // namespace

std::string EscapeForLog(std::string_view text) {
    return Escape(text, false);
}

std::string EscapeKeyForRecord(std::string_view key) {
    return Escape(key, true);
}
