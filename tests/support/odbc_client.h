// A bare ODBC client for tests: sets up tables and reads results without the code under test.
#pragma once

#include <optional>
#include <string>

namespace testing_support {

class OdbcClient {
  public:
    explicit OdbcClient(
        const std::string& connectionString);  // throws std::runtime_error with the diagnostics
    ~OdbcClient();
    OdbcClient(const OdbcClient&) = delete;
    OdbcClient& operator=(const OdbcClient&) = delete;

    void Execute(const std::string& sql);  // throws on failure
    // The first column of the first row; nothing for no row or NULL.
    std::optional<std::string> QueryValue(const std::string& sql);

  private:
    void* env_ = nullptr;
    void* dbc_ = nullptr;
};

}  // namespace testing_support
