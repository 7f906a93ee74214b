#include "tests/manager_win32/dialog_template.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace win32_testing {

namespace {

// Reads the little-endian words of a template, each piece at its own alignment.
class TemplateReader {
  public:
    explicit TemplateReader(const unsigned char* data) : data_(data) {}

    std::uint16_t Word() {
        std::uint16_t value;
        std::memcpy(&value, data_ + at_, 2);
        at_ += 2;
        return value;
    }
    std::uint32_t Dword() {
        std::uint32_t value;
        std::memcpy(&value, data_ + at_, 4);
        at_ += 4;
        return value;
    }
    short Short() { return static_cast<short>(Word()); }
    // A zero-ended UTF-16 text, ASCII here, or 0xFFFF and an ordinal.
    std::string TextOrOrdinal() {
        std::uint16_t first = Word();
        if (first == 0xFFFF) return "#" + std::to_string(Word());
        std::string text;
        for (std::uint16_t unit = first; unit != 0; unit = Word())
            text += static_cast<char>(unit);
        return text;
    }
    void AlignTo4() { at_ = (at_ + 3) & ~std::size_t{3}; }
    void Skip(std::size_t bytes) { at_ += bytes; }

  private:
    const unsigned char* data_;
    std::size_t at_ = 0;
};

// The predefined control classes, which a template names by an ordinal.
std::string ClassName(const std::string& name) {
    if (name == "#128") return "Button";
    if (name == "#129") return "Edit";
    if (name == "#130") return "Static";
    return name;
}

RECT DialogRect(short x, short y, short cx, short cy) {
    return RECT{x, y, x + cx, y + cy};
}

}  // namespace

DialogTemplate ReadDialogTemplate(int id) {
    DialogTemplate dialog;
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));  // RT_DIALOG
    EXPECT_NE(found, nullptr) << "no dialog template " << id;
    if (!found) return dialog;
    TemplateReader in(static_cast<const unsigned char*>(LockResource(LoadResource(nullptr, found))));
    EXPECT_EQ(in.Word(), 1) << "extended template";
    EXPECT_EQ(in.Word(), 0xFFFF);
    in.Skip(4);  // help id
    dialog.exStyle = in.Dword();
    dialog.style = in.Dword();
    std::uint16_t count = in.Word();
    in.Skip(4);  // x, y
    dialog.width = in.Short();
    dialog.height = in.Short();
    EXPECT_EQ(in.TextOrOrdinal(), "") << "no menu";
    EXPECT_EQ(in.TextOrOrdinal(), "") << "the dialog class";
    dialog.caption = in.TextOrOrdinal();
    if (dialog.style & DS_SETFONT) {
        dialog.pointSize = in.Word();
        in.Skip(4);  // weight, italic, character set
        dialog.font = in.TextOrOrdinal();
    }
    for (std::uint16_t i = 0; i < count; ++i) {
        in.AlignTo4();
        TemplateItem item{};
        in.Skip(4);  // help id
        item.exStyle = in.Dword();
        item.style = in.Dword();
        short x = in.Short(), y = in.Short(), cx = in.Short(), cy = in.Short();
        item.rect = DialogRect(x, y, cx, cy);
        item.id = static_cast<std::int16_t>(in.Dword() & 0xFFFF);  // -1 may be stored as 0xFFFF
        item.windowClass = ClassName(in.TextOrOrdinal());
        item.text = in.TextOrOrdinal();
        in.Skip(in.Word());  // creation data
        dialog.items.push_back(item);
    }
    return dialog;
}

}  // namespace win32_testing
