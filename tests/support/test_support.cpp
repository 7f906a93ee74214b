// The helpers that are the same on every OS.
#include "test_support.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "common/platform/platform.h"

namespace testing_support {

namespace fs = std::filesystem;

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string TempDir::operator/(const std::string& name) const {
    std::string native = name;
    for (char& c : native)
        if (c == '/') c = platform::kPathSeparator;
    return path_ + platform::kPathSeparator + native;
}

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out) throw std::runtime_error("cannot write " + path);
}

int CountOf(const std::string& text, const std::string& what) {
    int count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size()))
        ++count;
    return count;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void CopyProgram(const std::string& from, const std::string& to) {
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
    fs::permissions(to, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
}

void RenameReplacing(const std::string& from, const std::string& to) {
    std::error_code error;
    if (!WaitFor([&] {
            fs::rename(from, to, error);
            return !error;
        }))
        throw std::runtime_error("cannot rename " + from + " to " + to + ": " + error.message());
}

std::string ProjectVersion() {
    return QC_PROJECT_VERSION;
}

std::array<unsigned, 4> ProjectVersionNumbers() {
    std::array<unsigned, 4> numbers{};
    std::istringstream parts(ProjectVersion());
    std::string part;
    for (unsigned& number : numbers)
        if (std::getline(parts, part, '.')) number = static_cast<unsigned>(std::stoul(part));
    return numbers;
}

std::string ProjectVersionText() {
    std::string text;
    for (unsigned number : ProjectVersionNumbers())
        text += (text.empty() ? "" : ", ") + std::to_string(number);
    return text;
}

HeldFile::HeldFile(const std::string& mode, const std::string& path) {
    std::string output = outputDir_ / "holder.txt";
    child_ = new Child({BinPath("FileHolder"), mode, path}, output);
    if (!WaitFor([&] { return ReadFile(output).find("ready") != std::string::npos || !child_->Running(); }) ||
        !child_->Running()) {
        delete child_;
        throw std::runtime_error("FileHolder did not hold " + path);
    }
}

HeldFile::~HeldFile() {
    child_->CloseInput();
    child_->Wait();
    delete child_;
}

}  // namespace testing_support
