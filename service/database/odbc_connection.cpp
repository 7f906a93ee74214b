#include "odbc_connection.h"

#include <algorithm>
#include <chrono>
#include <mutex>

#include "call_bound.h"
#include "common/platform/platform.h"
#include "connection_string.h"
#include "odbc_call.h"
#include "odbc_statement.h"

namespace db {

struct Connection::Handles {
    SQLHENV environment = SQL_NULL_HENV;
    SQLHDBC connection = SQL_NULL_HDBC;

    ~Handles() {
        if (connection != SQL_NULL_HDBC) SQLFreeHandle(SQL_HANDLE_DBC, connection);
        if (environment != SQL_NULL_HENV) SQLFreeHandle(SQL_HANDLE_ENV, environment);
    }
};

namespace {

using Handles = Connection::Handles;

// A value for a connection string: braced when it holds a character that would end or open one.
std::string ConnectionStringValue(const std::string& value) {
    bool plain =
        value.find_first_of(";{}") == std::string::npos && value.front() != ' ' && value.back() != ' ';
    if (plain) return value;
    std::string braced = "{";
    for (char c : value)
        braced += c == '}' ? std::string("}}") : std::string(1, c);
    return braced + "}";
}

std::string WithCredentials(std::string text, const std::string& userId, const std::string& password) {
    auto add = [&text](const char* key, const std::string& value) {
        if (value.empty()) return;
        if (!text.empty() && text.back() != ';') text += ';';
        text += std::string(key) + "=" + ConnectionStringValue(value);
    };
    add("UID", userId);
    add("PWD", password);
    return text;
}

// The driver a connection string names, directly or through its data source.
std::string DriverOf(const std::string& text) {
    std::string driver = ConnectionStringKeyValue(text, "Driver");
    if (!driver.empty()) return driver;
    std::string dsn = ConnectionStringKeyValue(text, "DSN");
    if (dsn.empty()) return "";
    char named[512] = {};
    SQLGetPrivateProfileString(dsn.c_str(), "Driver", "", named, sizeof named, "odbc.ini");
    return named;
}

// SQLite's driver ignores both bounds: it waits for a locked database as long as its own busy timeout
// (its "Timeout" key, in milliseconds, 100 s unless given), at the login as in every statement. So the
// statement bound becomes that timeout, unless the connection string sets one itself.
std::string WithDriverBounds(const std::string& text, int statementSeconds) {
    if (statementSeconds <= 0 || !ConnectionStringKeyValue(text, "Timeout").empty()) return text;
    std::string driver = DriverOf(text);
    std::transform(driver.begin(), driver.end(), driver.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (driver.find("sqlite") == std::string::npos) return text;
    return text + (text.empty() || text.back() == ';' ? "" : ";") +
           "Timeout=" + std::to_string(statementSeconds * 1000);
}

std::unique_ptr<Handles> NewHandles() {
    auto handles = std::make_unique<Handles>();
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &handles->environment))) {
        handles->environment = SQL_NULL_HENV;
        return nullptr;
    }
    if (!SQL_SUCCEEDED(SQLSetEnvAttr(handles->environment, SQL_ATTR_ODBC_VERSION,
                                     reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0)) ||
        !SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, handles->environment, &handles->connection))) {
        handles->connection = SQL_NULL_HDBC;
        return nullptr;
    }
    return handles;
}

// Back in the state of a new login: autocommit on, so no transaction reaches the next user. False when
// the driver cannot say or refuses.
bool ResetForNextUse(SQLHDBC handle) {
    SQLULEN autocommit = SQL_AUTOCOMMIT_ON;
    if (!SQL_SUCCEEDED(SQLGetConnectAttr(handle, SQL_ATTR_AUTOCOMMIT, &autocommit, 0, nullptr))) return false;
    if (autocommit == SQL_AUTOCOMMIT_ON) return true;
    return SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, handle, SQL_ROLLBACK)) &&
           SQL_SUCCEEDED(SQLSetConnectAttr(handle, SQL_ATTR_AUTOCOMMIT,
                                           reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0));
}

// The one physical connection kept between two uses, as a session pool keeps it: until it is taken
// again, until it has been unused for its keeping time, or until another one is kept in its place.
struct KeptConnection {
    std::unique_ptr<Handles> handles;
    std::string driverText;
    std::vector<std::intptr_t> sockets;
    std::chrono::steady_clock::time_point closesAt;
    std::uint64_t generation = 0;
    std::uint64_t idleEnd = 0;  // the scheduled closing
};

class Keeper {
  public:
    void Keep(KeptConnection connection, int seconds) {
        KeptConnection former;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            former = TakeLocked();
            kept_ = std::move(connection);
            kept_.generation = ++generation_;
            kept_.closesAt = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
            std::uint64_t generation = kept_.generation;
            kept_.idleEnd =
                RunLater(std::chrono::seconds(seconds), [this, generation] { EndIdle(generation); });
        }
        Discard(std::move(former));
    }

    // The kept connection when it was made with `driverText` and is still within its time; any other is
    // disconnected.
    KeptConnection Take(const std::string& driverText) {
        KeptConnection taken;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            taken = TakeLocked();
        }
        if (!taken.handles) return taken;
        CancelLater(taken.idleEnd);
        if (taken.driverText == driverText && std::chrono::steady_clock::now() < taken.closesAt &&
            Quiet(taken))
            return taken;
        Discard(std::move(taken));
        return {};
    }

    bool Holds() {
        std::lock_guard<std::mutex> lock(mutex_);
        return kept_.handles != nullptr;
    }

  private:
    // An idle session has nothing to say: input waiting means the server has ended it (a restart sends
    // its farewell and closes). Costs no round trip; a cut that sent nothing shows at the next statement.
    static bool Quiet(const KeptConnection& connection) {
        for (std::intptr_t socket : connection.sockets)
            if (platform::SocketHasInput(socket)) return false;
        return true;
    }

    KeptConnection TakeLocked() {
        KeptConnection taken = std::move(kept_);
        kept_ = {};
        return taken;
    }

    void EndIdle(std::uint64_t generation) {
        KeptConnection idle;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (kept_.generation != generation) return;
            idle = TakeLocked();
        }
        Discard(std::move(idle));
    }

    static void Discard(KeptConnection connection) {
        if (connection.handles) SQLDisconnect(connection.handles->connection);
    }

    std::mutex mutex_;
    KeptConnection kept_;
    std::uint64_t generation_ = 0;
};

// Never destroyed: the watcher thread may end an idle connection while the process exits.
Keeper& TheKeeper() {
    static Keeper* keeper = new Keeper;
    return *keeper;
}

std::vector<std::intptr_t> SocketsNotIn(const std::vector<std::intptr_t>& before) {
    std::vector<std::intptr_t> added;
    for (std::intptr_t socket : platform::OpenSockets())
        if (std::find(before.begin(), before.end(), socket) == before.end()) added.push_back(socket);
    return added;
}

}  // namespace

std::shared_ptr<Connection> Connection::Create() {
    // Holds the installer library for the life of the process: a driver that loads it to read its data
    // source (SQLite's) would otherwise unload it after every connection and lose its settings cache.
    UWORD configMode = 0;
    SQLGetConfigMode(&configMode);
    // While a physical connection is kept, the next Open most likely takes its handles: new ones are
    // made only when it does not.
    if (TheKeeper().Holds()) return std::shared_ptr<Connection>(new Connection(nullptr));
    auto handles = NewHandles();
    if (!handles) return nullptr;
    return std::shared_ptr<Connection>(new Connection(std::move(handles)));
}

Connection::Connection(std::unique_ptr<Handles> handles) : handles_(std::move(handles)) {}

Connection::~Connection() {
    if (!connected_) return;
    try {
        Close();
    } catch (const _com_error&) {
        SQLDisconnect(handles_->connection);  // the driver refused: the handles go all the same
    }
}

void* Connection::NativeHandle() const {
    return handles_ ? handles_->connection : SQL_NULL_HDBC;
}

void Connection::Open(const std::string& connectionString, const std::string& userId,
                      const std::string& password) {
    if (connected_)
        odbc::Raise(odbc::kFunctionSequenceError, "Connection.Open", "The connection is already open");
    driverText_ = WithDriverBounds(WithCredentials(connectionString, userId, password), statementSeconds_);
    if (keepSeconds_ > 0) {
        KeptConnection kept = TheKeeper().Take(driverText_);
        if (kept.handles) {
            handles_ = std::move(kept.handles);
            sockets_ = std::move(kept.sockets);
            connected_ = true;
            proven_ = false;
            broken_ = false;
            return;
        }
    }
    if (!handles_) handles_ = NewHandles();
    if (!handles_) throw _com_error(kErrorInvalidPointer);
    Connect();
}

void Connection::Connect() {
    SQLHDBC handle = handles_->connection;
    auto seconds = reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(std::max(loginSeconds_, 0)));
    odbc::Check(SQLSetConnectAttr(handle, SQL_ATTR_LOGIN_TIMEOUT, seconds, 0), SQL_HANDLE_DBC, handle,
                "SQLSetConnectAttr");
    std::vector<std::intptr_t> before = platform::OpenSockets();
    SQLRETURN result;
    {
        CallBound bound(loginSeconds_ > 0 ? loginSeconds_ + kBoundGraceSeconds : 0, [before] {
            for (std::intptr_t socket : SocketsNotIn(before))
                platform::ShutDownSocket(socket);
        });
        std::string text = driverText_;
        result =
            SQLDriverConnect(handle, nullptr, reinterpret_cast<SQLCHAR*>(text.data()),
                             static_cast<SQLSMALLINT>(text.size()), nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
        if (bound.Expired()) {
            if (SQL_SUCCEEDED(result)) SQLDisconnect(handle);
            odbc::Raise(odbc::kTimeoutExpired, "SQLDriverConnect",
                        "Login timeout expired: no answer within " + std::to_string(loginSeconds_) + " s");
        }
    }
    odbc::Check(result, SQL_HANDLE_DBC, handle, "SQLDriverConnect");
    sockets_ = SocketsNotIn(before);
    connected_ = true;
    proven_ = true;
    broken_ = false;
}

std::int64_t Connection::Execute(const std::string& sql, const Parameters& parameters) {
    Statement statement(*this);
    statement.Execute(sql, parameters);
    return statement.AffectedRows();
}

void Connection::ReleaseStatements() {
    for (Statement* statement : statements_)
        statement->Release();
}

void Connection::Close() {
    if (!connected_) return;
    ReleaseStatements();
    if (failNextClose_) {
        failNextClose_ = false;
        odbc::Raise("25000", "SQLDisconnect", "Invalid transaction state");
    }
    if (keepSeconds_ > 0 && !broken_ && ResetForNextUse(handles_->connection)) {
        TheKeeper().Keep({std::move(handles_), driverText_, sockets_, {}, 0, 0}, keepSeconds_);
        connected_ = false;
        return;
    }
    odbc::Check(SQLDisconnect(handles_->connection), SQL_HANDLE_DBC, handles_->connection, "SQLDisconnect");
    connected_ = false;
}

bool Connection::Failed(const _com_error& error) {
    bool lost = odbc::IsConnectionLost(error);
    bool timedOut = error.Description().value_or("").find(std::string("SQLSTATE ") + odbc::kTimeoutExpired) !=
                    std::string::npos;
    if (lost || timedOut) broken_ = true;
    return lost && !proven_;
}

void Connection::LogInAgain() {
    ReleaseStatements();
    SQLDisconnect(handles_->connection);  // the kept login is gone: whatever the driver says
    handles_ = NewHandles();
    connected_ = false;
    if (!handles_) throw _com_error(kErrorInvalidPointer);
    Connect();
}

void Connection::DropKeptConnectionForTesting() {
    TheKeeper().Take("");
}

bool Connection::HasKeptConnectionForTesting() {
    return TheKeeper().Holds();
}

}  // namespace db
