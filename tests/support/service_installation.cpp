#include "service_installation.h"

#include <filesystem>
#include <sstream>

namespace testing_support {

ServiceInstallation::ServiceInstallation() {
    for (const char* program : {"QuillCollectorService", "TestSigner"})
        CopyProgram(BinPath(program), dir_ / ExecutableName(program));
    for (const char* folder : {"hot", "backup", "incoming"})
        std::filesystem::create_directory(dir_ / folder);
    SetEnv("TESTSIGNER_RECORD", dir_ / "signer-calls.txt");
    UnsetEnv("TESTSIGNER_EXIT");
}

ServiceInstallation::~ServiceInstallation() {
    Stop();
    UnsetEnv("TESTSIGNER_RECORD");
    UnsetEnv("TESTSIGNER_EXIT");
}

void ServiceInstallation::WriteSettings(const std::map<std::string, std::string>& overrides) {
    std::map<std::string, std::string> settings{
        {"HotFolderPath", HotFolder()}, {"FileTypeMask", "*.PDF"}, {"SamplingFrequency", "50"},
        {"DetailedLog", "1"},           {"UseBackupFolder", "0"},  {"BackupFolder", BackupFolder()},
        {"Sealwright", "TestSigner"}};
    for (const auto& [key, value] : overrides)
        settings[key] = value;
    std::string content = "[General]\n";
    for (const auto& [key, value] : settings)
        content += key + "=" + value + "\n";
    WriteRawSettings(content);
}

void ServiceInstallation::WriteRawSettings(const std::string& content) {
    WriteFile(dir_ / "QuillCollector.ini.new", content);
    RenameReplacing(dir_ / "QuillCollector.ini.new", dir_ / "QuillCollector.ini");
}

void ServiceInstallation::Start(const std::vector<std::string>& wrapper, const std::string& output) {
    std::vector<std::string> argv = wrapper;
    argv.push_back(dir_ / ExecutableName("QuillCollectorService"));
    service_ = std::make_unique<Child>(argv, output.empty() ? dir_ / "stdout.txt" : output, dir_.path());
}

void ServiceInstallation::Stop() {
    service_.reset();
}

bool ServiceInstallation::Running() {
    return service_ && service_->Running();
}

void ServiceInstallation::DropTrigger(const std::string& name, const std::string& content) {
    WriteFile(dir_ / ("incoming/" + name), content);
    RenameReplacing(dir_ / ("incoming/" + name), dir_ / ("hot/" + name));
}

// A trigger the service has claimed lies in its own folder inside the hot folder until it is done.
bool ServiceInstallation::WaitUntilGone(const std::string& path, int timeoutMs) {
    std::filesystem::path file(path);
    auto held = [&] {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(file.parent_path(), error))
            if (entry.path().filename().string().rfind("QuillCollector-", 0) == 0 &&
                FileExists((entry.path() / file.filename()).string()))
                return true;
        return false;
    };
    return WaitFor([&] { return !FileExists(path) && !held(); }, timeoutMs);
}

bool ServiceInstallation::WaitForLog(const std::string& text, int timeoutMs) {
    return WaitFor([&] { return Log().find(text) != std::string::npos; }, timeoutMs);
}

int ServiceInstallation::CountInLog(const std::string& text) {
    return CountOf(Log(), text);
}

std::string ServiceInstallation::Log() {
    return ReadFile(dir_ / "QuillCollector.Log");
}

std::string ServiceInstallation::Output() {
    return ReadFile(dir_ / "stdout.txt");
}

std::vector<std::string> ServiceInstallation::SignerCalls() {
    std::istringstream in(ReadFile(dir_ / "signer-calls.txt"));
    std::vector<std::string> calls;
    for (std::string line; std::getline(in, line);)
        calls.push_back(line);
    return calls;
}

void ServiceInstallation::SetSignerExitCodes(const std::string& codes) {
    SetEnv("TESTSIGNER_EXIT", codes);
}

}  // namespace testing_support
