// The recorded error texts of the wrappers, taken apart for the tests.
#pragma once

#include <regex>
#include <string>

#include "common/platform/platform.h"
#include "service/database/com_error.h"

struct ErrorText {
    bool wellFormed = false;
    std::string subject;  // the connection string or the query
    std::string code, meaning, source, description;
};

// `head` is "Connection String" or "Query", `title` "CADODataBase Error" or "CADORecordset Error".
inline ErrorText ParseErrorText(const std::string& text, const std::string& head, const std::string& title) {
    static const std::string block =
        R"(\n\tCode = ([0-9a-f]{8})\n\tCode meaning = ([^\n]*)\n\tSource = ([^\n]*)\n\tDescription = ([\s\S]*)\n)";
    std::regex shape("^" + head + " = ([^\\n]*)\\n" + title + block + "$");
    std::smatch match;
    ErrorText parsed;
    if (!std::regex_match(text, match, shape)) return parsed;
    parsed = {true, match[1], match[2], match[3], match[4], match[5]};
    return parsed;
}

inline ErrorText ParseDatabaseError(const std::string& text) {
    return ParseErrorText(text, "Connection String", "CADODataBase Error");
}

inline ErrorText ParseRecordsetError(const std::string& text) {
    return ParseErrorText(text, "Query", "CADORecordset Error");
}

// The code meaning the wrappers must show: the system's text for the code where the system has one
// (Windows, whose wording differs between versions and under Wine), the text Windows gives elsewhere.
inline std::string MeaningOf(db::HRESULT code, const std::string& windowsText) {
    std::string system = platform::ResultCodeText(code);
    while (!system.empty() && (system.back() == '\n' || system.back() == '\r'))
        system.pop_back();
    return system.empty() ? windowsText : system;
}

inline std::string UnspecifiedErrorMeaning() {
    return MeaningOf(db::kErrorUnspecified, "Unspecified error");
}

inline std::string InvalidPointerMeaning() {
    return MeaningOf(db::kErrorInvalidPointer, "Invalid pointer");
}
