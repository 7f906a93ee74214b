#include "ado_database.h"

#include <climits>

#include "common/text_format.h"
#include "connection_string.h"
#include "service/collector_log.h"

namespace {

db::Connection& Require(const std::shared_ptr<db::Connection>& connection) {
    if (!connection) throw db::_com_error(db::kErrorInvalidPointer);
    return *connection;
}

int ClampToInt(std::int64_t count) {
    return count > INT_MAX ? INT_MAX : static_cast<int>(count);
}

}  // namespace

CADODatabase::CADODatabase() : connection_(db::Connection::Create()) {}

CADODatabase::~CADODatabase() {
    try {
        Close();
    } catch (const db::_com_error& error) {
        WriteLog("CADODatabase: the connection could not be closed when the object was destroyed");
        LogComError(error);
    }
    // Releasing the last reference frees the handles whatever Close said.
}

void CADODatabase::SetConnectionString(const std::string& text) {
    connectionString_ = text;
}

BOOL CADODatabase::Open(const std::string& connection, const std::string& userId,
                        const std::string& password) {
    if (connection_ && connection_->IsOpen()) Close();
    if (!connection.empty()) connectionString_ = connection;
    try {
        db::Connection& target = Require(connection_);
        if (connectionTimeout_ != 0) target.SetLoginTimeout(connectionTimeout_);
        target.Open(connectionString_, userId, password);
        return 1;
    } catch (const db::_com_error& error) {
        RecordError(error);
        return 0;
    }
}

void CADODatabase::SetLoginTimeout(int seconds) {
    if (connection_) connection_->SetLoginTimeout(seconds);
}

void CADODatabase::SetCommandTimeout(int seconds) {
    if (connection_) connection_->SetStatementTimeout(seconds);
}

void CADODatabase::SetKeepConnectionSeconds(int seconds) {
    if (connection_) connection_->SetKeepSeconds(seconds);
}

BOOL CADODatabase::Execute(const std::string& sql) {
    return Execute(sql, {});
}

BOOL CADODatabase::Execute(const std::string& sql, const db::Parameters& parameters) {
    recordsAffected_ = 0;
    try {
        db::Connection& target = Require(connection_);
        recordsAffected_ = ClampToInt(target.Execute(sql, parameters));
        return 1;
    } catch (const db::_com_error& error) {
        RecordError(error);
        return 0;
    }
}

void CADODatabase::Close() {
    if (connection_ && connection_->IsOpen()) connection_->Close();
}

void CADODatabase::RecordError(const db::_com_error& error) {
    lastError_ = "Connection String = " + EscapeForLog(db::MaskPasswords(connectionString_)) + "\n" +
                 db::FormatErrorBlock("CADODataBase Error", error);
    lastErrorCode_ = error.Error();
}

void LogComError(const db::_com_error& error) {
    WriteLogF("CADODataBase Error:\n Code: %08x\n Code meaning: %s\n Source: %s\n Description: %s\n",
              static_cast<unsigned>(error.Error()), error.ErrorMessage(), db::TextOrNull(error.Source()),
              db::TextOrNull(error.Description()));
}
