#include "process_csv_file.h"

#include <cstdint>
#include <memory>

#include "collect.h"
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

// A trigger this collector has claimed lies in its own folder, where only another collector's rename that
// raced ours and lost may still hold it, for a moment: such a refusal is waited out, within a bound.
int ReadClaimedDocumentKey(const std::string& path, std::string& key) {
    constexpr int kInUseTries = 20;
    constexpr unsigned kInUsePauseMs = 50;
    int error = ReadDocumentKey(path, key);
    for (int tries = 1; platform::IsInUse(error) && tries < kInUseTries; ++tries) {
        platform::SleepMilliseconds(kInUsePauseMs);
        error = ReadDocumentKey(path, key);
    }
    return error;
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
    WriteLogF("pAdoDb->Open Error: %s\nGetLastError = %d\n", LogText::AlreadyEscaped(error),
              platform::LastError());
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
    WriteLogF("pRs->Open Error: %s\nGetLastError = %d\n", LogText::AlreadyEscaped(error),
              platform::LastError());
    session.CloseAll();
    return false;
}

// Times the counter is read again and the raise tried again when other collectors raised the row
// in between; each of them succeeds at every try it loses, so this is only reached by a row raised
// without end by others.
constexpr int kCountAttempts = 64;

// The row's counter as it stands now, as a number and as the text the database gives for it; false with
// the reason when no row can be read.
bool ReadCounterAgain(Session& session, const Job& job, const std::string& fileName, std::int64_t& counter,
                      std::string& stored, std::string& why) {
    CADORecordset records(session.database.get());
    std::string shown =
        StrPrintf("SELECT RCCODE FROM %s WHERE RCAFNM = '%s'", job.table.c_str(), fileName.c_str());
    std::string sql = StrPrintf("SELECT RCCODE FROM %s WHERE RCAFNM = ?", job.table.c_str());
    if (!records.Open(records.GetActiveConnection(), shown, CADORecordset::ModeQuery, sql, {fileName})) {
        why = records.GetLastErrorString();
        return false;
    }
    bool read = !records.IsEof() && records.GetFieldValue(0, counter, why);
    if (records.IsEof()) why = "no row is left: " + shown;
    if (read && !records.GetFieldValue(0, stored, "")) stored.clear();
    records.Close();
    return read;
}

// Raises the counter from `counter` to `counter` + 1 only where the row still holds `counter` (NULL reads
// 0, as when it was read), so that a raise by another collector in between is never overwritten. A
// counter kept as text (" +7 ") is compared as the text it is, `stored`, when that is given. The rows
// touched: 0 when the row holds another value by now, -1 when the driver cannot tell.
bool CompareAndRaise(Session& session, const Job& job, std::int64_t counter, const std::string* stored,
                     const std::string& fileName, int& touched) {
    const char* format = counter == 0 && !stored
                             ? "UPDATE %s SET RCCODE = ? WHERE RCAFNM = ? AND (RCCODE = ? OR RCCODE IS NULL)"
                             : "UPDATE %s SET RCCODE = ? WHERE RCAFNM = ? AND RCCODE = ?";
    std::string sql = StrPrintf(format, job.table.c_str());
    db::Parameter expected = stored ? db::Parameter(*stored) : db::Parameter(counter);
    if (!session.database->Execute(sql, {counter + 1, fileName, expected})) return false;
    touched = session.database->GetRecordsAffected();
    return true;
}

// Raises the row's counter by one, whatever other collectors do meanwhile: compare-and-set on the value
// read, read again and tried again when another got there first. False when the database refused the
// update, the row cannot be read again, or the raise cannot be confirmed (logged with the reason).
bool CountSigning(Session& session, const Job& job, std::int64_t counter, const std::string& fileName) {
    std::string why, stored;
    bool byText = false;
    for (int attempt = 1; attempt <= kCountAttempts; ++attempt) {
        if (counter == INT64_MAX) {
            why = "RCCODE " + std::to_string(counter) + " cannot be raised";
            break;
        }
        std::string update = StrPrintf(kUpdateFormat, job.table.c_str(), static_cast<long long>(counter + 1),
                                       fileName.c_str());
        int touched = 0;
        bool ran = CompareAndRaise(session, job, counter, byText ? &stored : nullptr, fileName, touched);
        if (!ran && !byText && ReadCounterAgain(session, job, fileName, counter, stored, why) &&
            !stored.empty()) {
            byText = true;  // a text column that the database will not compare with a number
            continue;
        }
        if (!ran) {
            // Signed but not counted: this must not pass for success.
            WriteLogF("File Can't be counted, Error %d, Update Query = %s\n%s", kProcessComError,
                      update.c_str(), LogText::AlreadyEscaped(session.database->GetLastErrorString()));
            return false;
        }
        if (touched > 0) {
            WriteDetailedLogF("Sign OK: Update Query = %s, NumAffected = %d", update.c_str(), touched);
            return true;
        }
        if (touched < 0) {
            // Whether the row was raised, or another collector raised it first, is unknown.
            WriteLogF(
                "File Can't be counted, Error %d, Update Query = %s\nthe driver does not tell whether a "
                "row was updated (NumAffected = %d)",
                kProcessComError, update.c_str(), touched);
            return false;
        }
        std::int64_t tried = counter;
        if (!ReadCounterAgain(session, job, fileName, counter, stored, why)) break;
        // Unchanged in value, so only its form differs from the number compared: compare its text.
        byText = counter == tried && !stored.empty();
    }
    if (why.empty()) why = StrPrintf("other writers raised the row at each of %d tries", kCountAttempts);
    WriteLogF("File Can't be counted, Error %d, RCAFNM = %s: %s", kProcessComError, fileName.c_str(),
              why.c_str());
    return false;
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
                      LogText::AlreadyEscaped(why));
            return kProcessComError;
        }
        KeepClaimsAlive();  // each signer run may take up to its bound
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
    return ProcessCsvFile(path, path);
}

int ProcessCsvFile(const std::string& foundPath, const std::string& heldPath) {
    const std::string& path = foundPath;
    Job job;
    int error = heldPath == foundPath ? ReadDocumentKey(heldPath, job.key)
                                      : ReadClaimedDocumentKey(heldPath, job.key);
    if (error != 0) {
        if (platform::IsNotFound(error)) {
            WriteDetailedLogF("File gone before it could be read, passed over: %s", path.c_str());
            return kProcessFileGone;
        }
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
        WriteLogF("Document Key = %s, File = %s, Result = %d",
                  LogText::AlreadyEscaped(EscapeKeyForRecord(job.key)), path.c_str(), result);
    return result;
}
