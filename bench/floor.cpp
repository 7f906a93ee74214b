// The floor of the per-document work: for each document key, what the collector must do at the least,
// written bare against ODBC and posix_spawn: connect, SELECT the rows, start the signer and wait for it,
// UPDATE the counter, disconnect. Prints the documents per second.
//
//   bench_floor CONNECTION TABLE SIGNER KEYFILE [kept]
// KEYFILE holds one document key per line. With "kept" the program logs in once for the whole run and does
// the rest per document: the floor of a collector that keeps its connection.
#include <spawn.h>
#include <sql.h>
#include <sqlext.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

void Check(SQLRETURN rc, const char* what) {
    if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
        std::fprintf(stderr, "bench_floor: %s failed\n", what);
        std::exit(1);
    }
}

int Sign(const std::string& signer, const std::string& document) {
    char* argv[] = {const_cast<char*>(signer.c_str()), const_cast<char*>(document.c_str()), nullptr};
    pid_t pid;
    if (posix_spawn(&pid, signer.c_str(), nullptr, nullptr, argv, environ) != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Row {
    std::string file;
    long counter;
};

std::vector<Row> Select(SQLHDBC dbc, const std::string& table, const std::string& key) {
    SQLHSTMT stmt;
    Check(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt), "alloc stmt");
    std::string sql = "SELECT RCAFNM,RCCODE FROM " + table + " WHERE RCBCDE = ?";
    SQLLEN keyLength = static_cast<SQLLEN>(key.size());
    Check(SQLBindParameter(stmt, 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, key.size(), 0,
                           const_cast<char*>(key.data()), keyLength, &keyLength),
          "bind key");
    Check(SQLExecDirect(stmt, (SQLCHAR*)sql.c_str(), SQL_NTS), "select");
    std::vector<Row> rows;
    while (SQLFetch(stmt) == SQL_SUCCESS) {
        char file[1024];
        SQLLEN fileLength = 0, counterIndicator = 0;
        long counter = 0;
        SQLGetData(stmt, 1, SQL_C_CHAR, file, sizeof file, &fileLength);
        SQLGetData(stmt, 2, SQL_C_SLONG, &counter, 0, &counterIndicator);
        rows.push_back({fileLength > 0 ? std::string(file, static_cast<std::size_t>(fileLength)) : "",
                        counterIndicator == SQL_NULL_DATA ? 0 : counter});
    }
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    return rows;
}

void Update(SQLHDBC dbc, const std::string& table, const Row& row) {
    SQLHSTMT stmt;
    Check(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt), "alloc stmt");
    std::string sql = "UPDATE " + table + " SET RCCODE = ? WHERE RCAFNM = ?";
    long next = row.counter + 1;
    SQLLEN fileLength = static_cast<SQLLEN>(row.file.size());
    Check(SQLBindParameter(stmt, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &next, 0, nullptr), "bind");
    Check(SQLBindParameter(stmt, 2, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, row.file.size(), 0,
                           const_cast<char*>(row.file.data()), fileLength, &fileLength),
          "bind");
    Check(SQLExecDirect(stmt, (SQLCHAR*)sql.c_str(), SQL_NTS), "update");
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
}

SQLHDBC Connect(SQLHENV env, const std::string& connection) {
    SQLHDBC dbc;
    Check(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc), "alloc dbc");
    Check(SQLDriverConnect(dbc, nullptr, (SQLCHAR*)connection.c_str(), SQL_NTS, nullptr, 0, nullptr,
                           SQL_DRIVER_NOPROMPT),
          "connect");
    return dbc;
}

void Disconnect(SQLHDBC dbc) {
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
}

void ProcessKey(SQLHDBC dbc, const std::string& table, const std::string& signer, const std::string& key) {
    for (const Row& row : Select(dbc, table, key))
        if (Sign(signer, row.file) == 0) Update(dbc, table, row);
}

}  // namespace

int main(int argc, char** argv) {
    bool kept = argc == 6 && std::string(argv[5]) == "kept";
    if (argc != 5 && !kept) {
        std::fprintf(stderr, "usage: bench_floor CONNECTION TABLE SIGNER KEYFILE [kept]\n");
        return 2;
    }
    std::vector<std::string> keys;
    std::ifstream in(argv[4]);
    for (std::string line; std::getline(in, line);) keys.push_back(line);
    SQLHENV env;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, (SQLPOINTER)SQL_OV_ODBC3, 0);
    auto start = std::chrono::steady_clock::now();
    SQLHDBC shared = kept ? Connect(env, argv[1]) : nullptr;
    for (const std::string& key : keys) {
        SQLHDBC dbc = kept ? shared : Connect(env, argv[1]);
        ProcessKey(dbc, argv[2], argv[3], key);
        if (!kept) Disconnect(dbc);
    }
    if (kept) Disconnect(shared);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    std::printf("floor: %zu documents in %.2f s = %.1f documents/s\n", keys.size(), seconds, keys.size() / seconds);
    return 0;
}
