// Access to QuillCollector.ini, the settings file both programs share. Every call finds and opens the
// file anew, so the file is the live configuration of a running service.
#pragma once

#include <string>

// The one section of the settings file and its fourteen keys, in the order the manager writes them.
inline constexpr const char* kGeneralSection = "General";
inline constexpr const char* kHotFolderPath = "HotFolderPath";
inline constexpr const char* kFileTypeMask = "FileTypeMask";
inline constexpr const char* kSamplingFrequency = "SamplingFrequency";
inline constexpr const char* kDetailedLog = "DetailedLog";
inline constexpr const char* kLogFile = "LogFile";
inline constexpr const char* kUseBackupFolder = "UseBackupFolder";
inline constexpr const char* kBackupFolder = "BackupFolder";
inline constexpr const char* kSealwright = "Sealwright";
inline constexpr const char* kConnectionString = "ConnectionString";
inline constexpr const char* kTableName = "TableName";
inline constexpr const char* kVellumSignType = "VellumSignType";
inline constexpr const char* kVellumChannel = "VellumChannel";
inline constexpr const char* kVellumIPAddress = "VellumIPAddress";
inline constexpr const char* kVellumPort = "VellumPort";

// Optional keys of section General that the manager neither shows nor writes; the service reads each with a
// default of its own where it uses it.
inline constexpr const char* kSignerTimeout = "SignerTimeout";
inline constexpr const char* kLoginTimeout = "LoginTimeout";
inline constexpr const char* kQueryTimeout = "QueryTimeout";
inline constexpr const char* kKeepConnectionSeconds = "KeepConnectionSeconds";
inline constexpr const char* kLogFileLimitKB = "LogFileLimitKB";
inline constexpr const char* kLogFilesKept = "LogFilesKept";
inline constexpr const char* kTakeoverSeconds = "TakeoverSeconds";

// The folder of the running program, without a trailing separator.
std::string GetProgramDirectory();
// Tests point the program directory elsewhere; an empty text restores the real one.
void SetProgramDirectoryForTesting(const std::string& directory);

// Program directory, separator, "QuillCollector.ini".
std::string GetSettingsFilePath();

// Values are cut to 4095 characters. A missing key or file gives the default; a text key present with an
// empty value gives "".
std::string ReadSettingString(const std::string& section, const std::string& key,
                              const std::string& defaultValue);
// A missing key or file, or an empty value, gives the default; a value that is not a number gives 0.
int ReadSettingInt(const std::string& section, const std::string& key, int defaultValue);

// Stores the text, creating the file, section or key as needed. Returns 0, or the system's error code when
// the file could not be written (the manager must not report a failed save as a successful one).
int WriteSettingString(const std::string& section, const std::string& key, const std::string& value);
int WriteSettingInt(const std::string& section, const std::string& key, int value);
