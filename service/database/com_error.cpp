#include "com_error.h"

#include "common/platform/platform.h"
#include "common/text_format.h"
#include "service/log_text.h"

namespace db {

std::string _com_error::ErrorMessage() const {
    return CodeMeaning(code_);
}

namespace {

// The system's text without the one line end it brings.
std::string SystemTextFor(HRESULT code) {
    std::string text = platform::ResultCodeText(code);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    if (!text.empty() && text.back() == '\r') text.pop_back();
    return text;
}

}  // namespace

std::string CodeMeaning(HRESULT code) {
    std::string system = SystemTextFor(code);
    if (!system.empty()) return system;
    // Where the system has no table (POSIX), the texts Windows gives for the generic codes the layer
    // raises; the provider codes have none on Windows either.
    if (code == kErrorUnspecified) return "Unspecified error";
    if (code == kErrorInvalidPointer) return "Invalid pointer";
    if ((code >> 16) == 0x8004 && (code & 0xFFFF) >= 0x0201)
        return StrPrintf("IDispatch error #%d", static_cast<int>(code & 0xFFFF) - 0x200);
    return StrPrintf("Unknown error 0x%0X", static_cast<unsigned>(code));
}

HRESULT HresultForSqlState(const std::string& sqlState) {
    std::string category = sqlState.substr(0, 2);
    if (sqlState == "42S02" || sqlState == "42P01") return kErrorNoSuchTable;
    if (category == "42") return kErrorSyntax;
    if (category == "28") return kErrorAuthorization;
    if (category == "23") return kErrorIntegrity;
    return kErrorUnspecified;
}

std::string TextOrNull(const std::optional<std::string>& text) {
    return text ? *text : "(null)";
}

std::string FormatErrorBlock(const char* title, const _com_error& error) {
    // The texts of the system and the driver are escaped: the block goes to the log as it stands.
    return LogTextF("%s\n\tCode = %08x\n\tCode meaning = %s\n\tSource = %s\n\tDescription = %s\n", title,
                    static_cast<unsigned>(error.Error()), error.ErrorMessage(), TextOrNull(error.Source()),
                    TextOrNull(error.Description()))
        .str();
}

}  // namespace db
