#include "process_csv_file.h"

#include <cstdint>
#include <memory>

#include "collector_log.h"
#include "common/platform/platform.h"
#include "common/settings.h"
#include "database/ado_database.h"
#include "database/ado_recordset.h"
#include "document_key.h"
#include "signer.h"

namespace {

const char* const kQueryFormat = "SELECT RCAFNM,RCCODE FROM %s WHERE RCBCDE = '%s'";
const char* const kUpdateFormat = "UPDATE %s SET RCCODE = %lld WHERE RCAFNM = '%s'";

// What one trigger file asks for and the settings it is processed with, read anew for every file.
struct Job {
    std::string key;
    std::string table;
    std::string query;  // as logged; the statements that run carry the values as parameters
    std::string channel, ipAddress, port;
};

// The database objects of one trigger file, released on every path.
struct Session {
    std::unique_ptr<CADODatabase> database;
    std::unique_ptr<CADORecordset> records;

    // Recordset first, then the database. A Close that fails reaches the caller.
    void CloseAll() {
        if (records) records->Close();
        records.reset();
        if (database) database->Close();
        database.reset();
    }
};

// One read of at most kTriggerReadSize bytes; 0 or the error code of the failed open.
int ReadDocumentKey(const std::string& path, std::string& key) {
    platform::File file;
    if (int error = platform::OpenForSharedRead(path, file); error != 0) return error;
    char buffer[kTriggerReadSize];
    std::size_t got = 0;
    if (file.Read(buffer, sizeof buffer, got) != 0) got = 0;
    file.Close();
    key = DeriveDocumentKey(buffer, got);
    return 0;
}

void ReadSignatureSettings(Job& job) {
    int signType = ReadSettingInt(kGeneralSection, kVellumSignType, 0);
    if (signType == 1) {
        job.channel = ReadSettingString(kGeneralSection, kVellumChannel, "");
        job.ipAddress = ReadSettingString(kGeneralSection, kVellumIPAddress, "");
        job.port = ReadSettingString(kGeneralSection, kVellumPort, "");
    }
    WriteDetailedLogF("SignType = %d, Channel = %s, IPAddress = %s, Port = %s\n", signType,
                      job.channel.c_str(), job.ipAddress.c_str(), job.port.c_str());
}

bool OpenDatabase(Session& session) {
    session.database = std::make_unique<CADODatabase>();
    session.database->SetConnectionString(
        ReadSettingString(kGeneralSection, kConnectionString, "Dsn=test;uid=someuser;pwd=7305"));
    session.database->SetLoginTimeout(
        ReadSettingInt(kGeneralSection, kLoginTimeout, db::kDefaultLoginSeconds));
    session.database->SetCommandTimeout(
        ReadSettingInt(kGeneralSection, kQueryTimeout, db::kDefaultStatementSeconds));
    session.database->SetKeepConnectionSeconds(
        ReadSettingInt(kGeneralSection, kKeepConnectionSeconds, db::kDefaultKeepSeconds));
    if (session.database->Open()) return true;
    std::string error = session.database->GetLastErrorString();
    WriteLogF("pAdoDb->Open Error: %s\nGetLastError = %d\n", error.c_str(), platform::LastError());
    session.CloseAll();
    return false;
}

bool OpenQuery(Session& session, const Job& job) {
    session.records = std::make_unique<CADORecordset>(session.database.get());
    std::string sql = StrPrintf("SELECT RCAFNM,RCCODE FROM %s WHERE RCBCDE = ?", job.table.c_str());
    if (session.records->Open(session.records->GetActiveConnection(), job.query, CADORecordset::ModeQuery,
                              sql, {job.key}))
        return true;
    std::string error = session.records->GetLastErrorString();
    WriteLogF("pRs->Open Error: %s\nGetLastError = %d\n", error.c_str(), platform::LastError());
    session.CloseAll();
    return false;
}

// Raises the row's counter; false when the database refused the update (logged with the driver's text).
bool CountSigning(Session& session, const Job& job, std::int64_t counter, const std::string& fileName) {
    std::int64_t next = counter + 1;
    std::string update =
        StrPrintf(kUpdateFormat, job.table.c_str(), static_cast<long long>(next), fileName.c_str());
    std::string sql = StrPrintf("UPDATE %s SET RCCODE = ? WHERE RCAFNM = ?", job.table.c_str());
    if (!session.database->Execute(sql, {next, fileName})) {
        // Signed but not counted: this must not pass for success.
        WriteLogF("File Can't be counted, Error %d, Update Query = %s\n%s", kProcessComError, update.c_str(),
                  session.database->GetLastErrorString().c_str());
        return false;
    }
    WriteDetailedLogF("Sign OK: Update Query = %s, NumAffected = %d", update.c_str(),
                      session.database->GetRecordsAffected());
    return true;
}

// The row's file name and counter; false with the reason when either cannot be read, or when the
// counter is already as high as it can go.
bool ReadRow(CADORecordset& records, std::string& fileName, std::int64_t& counter, std::string& why) {
    if (!records.GetFieldValue(0, fileName, "")) {
        why = "RCAFNM " + (records.GetLastErrorString().empty() ? std::string("has no text form")
                                                                : records.GetLastErrorString());
        return false;
    }
    if (!records.GetFieldValue(1, counter, why)) {
        why = "RCCODE " + why;
        return false;
    }
    if (counter == INT64_MAX) {
        why = "RCCODE " + std::to_string(counter) + " cannot be raised";
        return false;
    }
    return true;
}

// Signs and counts every row; 0, or the code of the first failure. The caller closes the objects.
int SignRows(Session& session, const Job& job) {
    std::string fileName, why;
    std::int64_t counter = 0;
    for (int row = 1; !session.records->IsEof(); ++row) {
        // A row whose values cannot be read must not be signed or counted with the previous row's values.
        if (!ReadRow(*session.records, fileName, counter, why)) {
            WriteLogF("File Can't be signed, Error %d, Row %d can't be read: %s", kProcessComError, row,
                      why.c_str());
            return kProcessComError;
        }
        int result = SignFile(fileName, job.channel, job.ipAddress, job.port);
        WriteLogF("Sign File: %s, Return Value: %d\n", fileName.c_str(), result);
        if (result != 0) {
            WriteLogF("File Can't be signed, Error %d, File = %s", result, fileName.c_str());
            return kProcessSignFailed;
        }
        if (!CountSigning(session, job, counter, fileName)) return kProcessComError;
        session.records->MoveNext();
    }
    return kProcessOk;
}

int RunDatabaseWork(Session& session, Job& job) {
    if (!OpenDatabase(session)) return kProcessDatabaseOpenFailed;
    job.table = ReadSettingString(kGeneralSection, kTableName, "BRXADTA.ARC001");
    job.query = StrPrintf(kQueryFormat, job.table.c_str(), job.key.c_str());
    WriteDetailedLogF("Connection OK: SQL Query = %s", job.query.c_str());
    ReadSignatureSettings(job);
    if (!OpenQuery(session, job)) return kProcessDatabaseOpenFailed;
    int count = session.records->GetRecordCount();
    WriteLogF("Number of results from Query = %d", count);
    if (count == 0) {
        WriteLogF("File Can't be signed, Error %d, No file name was returned from SQL Query", kProcessNoRows);
        session.CloseAll();
        return kProcessNoRows;
    }
    int result = SignRows(session, job);
    session.CloseAll();
    return result;
}

// After a database error the objects are still released, recordset first; a further error while closing
// one of them is logged and goes no further.
template <typename Object>
void CloseAfterError(std::unique_ptr<Object>& object) {
    try {
        if (object) object->Close();
    } catch (const db::_com_error& again) {
        LogComError(again);
    }
    object.reset();
}

void ReleaseAfterError(Session& session) {
    CloseAfterError(session.records);
    CloseAfterError(session.database);
}

}  // namespace

int ProcessCsvFile(std::string path) {
    Job job;
    if (int error = ReadDocumentKey(path, job.key); error != 0) {
        WriteLogF("File Can't be opened, Error %d, File = %s", error, path.c_str());
        return kProcessCannotOpenFile;
    }
    Session session;
    int result;
    try {
        result = RunDatabaseWork(session, job);
    } catch (const db::_com_error& error) {
        WriteLog("Com Error");
        LogComError(error);
        ReleaseAfterError(session);
        result = kProcessComError;
    }
    // A failed trigger file is removed all the same: its key must stay on record, one unambiguous line.
    if (result != kProcessOk)
        WriteLogF("Document Key = %s, File = %s, Result = %d", EscapeKeyForRecord(job.key).c_str(),
                  path.c_str(), result);
    return result;
}
