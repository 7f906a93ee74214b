#include "ado_recordset.h"

#include <cctype>
#include <climits>

#include "field_conversion.h"
#include "service/collector_log.h"

namespace {

// Leading white space goes; in UTF-8 (as in any ASCII-compatible encoding) no byte of a multibyte
// character is an ASCII space, so a byte-wise cut never splits a character.
std::string WithoutLeadingWhiteSpace(const std::string& text) {
    std::size_t first = 0;
    while (first < text.size() && std::isspace(static_cast<unsigned char>(text[first])) &&
           static_cast<unsigned char>(text[first]) < 0x80)
        ++first;
    return text.substr(first);
}

db::CommandKind KindOf(int mode) {
    return mode == CADORecordset::ModeTable ? db::CommandKind::Table : db::CommandKind::Text;
}

}  // namespace

CADORecordset::CADORecordset(CADODatabase* database)
    : recordset_(std::make_unique<db::Recordset>()),
      command_(std::make_unique<db::Command>()),
      connection_(database ? database->GetActiveConnection() : nullptr) {}

CADORecordset::~CADORecordset() {
    try {
        Close();
    } catch (const db::_com_error& error) {
        WriteLog("CADORecordset: the rows could not be closed when the object was destroyed");
        LogComError(error);
    }
}

BOOL CADORecordset::Open(std::shared_ptr<db::Connection> connection, const std::string& query, int mode) {
    Close();
    if (!query.empty()) query_ = query;
    query_ = WithoutLeadingWhiteSpace(query_);
    return OpenRecordset(connection, query_, mode, {});
}

BOOL CADORecordset::Open(std::shared_ptr<db::Connection> connection, const std::string& shownQuery, int mode,
                         const std::string& sqlWithMarkers, const db::Parameters& parameters) {
    Close();
    if (!shownQuery.empty()) query_ = shownQuery;
    query_ = WithoutLeadingWhiteSpace(query_);
    return OpenRecordset(connection, WithoutLeadingWhiteSpace(sqlWithMarkers), mode, parameters);
}

BOOL CADORecordset::OpenRecordset(const std::shared_ptr<db::Connection>& connection, const std::string& sql,
                                  int mode, const db::Parameters& parameters) {
    if (!connection_) connection_ = connection;
    db::CursorKind cursor = forwardOnly_ ? db::CursorKind::ForwardOnly : db::CursorKind::Client;
    try {
        Rows();  // the recordset object must exist whatever the mode
        switch (mode) {
            case ModeDefault:
            case ModeQuery:
            case ModeTable:
                Rows().Open(connection, sql, KindOf(mode), parameters, cursor);
                break;
            case ModeStoredProc:
                if (!command_) throw db::_com_error(db::kErrorInvalidPointer);
                command_->SetActiveConnection(connection);
                command_->SetCommandText(sql);
                command_->SetCommandType(db::CommandKind::StoredProcedure);
                if (!connection_) throw db::_com_error(db::kErrorInvalidPointer);
                recordset_ = command_->Execute(parameters, cursor);
                break;
            default:
                return 0;
        }
        return recordset_ != nullptr;
    } catch (const db::_com_error& error) {
        RecordError(error);
        return 0;
    }
}

db::Recordset& CADORecordset::Rows() {
    if (!recordset_) throw db::_com_error(db::kErrorInvalidPointer);
    return *recordset_;
}

int CADORecordset::GetRecordCount() {
    std::int64_t count = Rows().RecordCount();
    if (count == -1) {
        count = 0;
        if (!Rows().IsEof()) Rows().MoveFirst();
        for (; !Rows().IsEof(); ++count)
            Rows().MoveNext();
        if (count > 0) Rows().MoveFirst();
    }
    return count > INT_MAX ? INT_MAX : static_cast<int>(count);
}

BOOL CADORecordset::IsEof() {
    return Rows().IsEof() ? 1 : 0;
}

void CADORecordset::MoveNext() {
    Rows().MoveNext();
}

const db::Variant* CADORecordset::LookUp(int index) {
    try {
        return &Rows().Field(index);
    } catch (const db::_com_error& error) {
        RecordError(error);
        return nullptr;
    }
}

BOOL CADORecordset::GetFieldValue(int index, std::string& value, const std::string& dateFormat) {
    const db::Variant* field = LookUp(index);
    return field && db::VariantToText(*field, dateFormat, value) ? 1 : 0;
}

BOOL CADORecordset::GetFieldValue(int index, int& value) {
    const db::Variant* field = LookUp(index);
    return field && db::VariantToInt(*field, value) ? 1 : 0;
}

BOOL CADORecordset::GetFieldValue(int index, std::int64_t& value, std::string& why) {
    const db::Variant* field = LookUp(index);
    why = field ? db::VariantToWholeNumber(*field, value) : lastError_;
    return field && why.empty() ? 1 : 0;
}

BOOL CADORecordset::IsOpen() {
    if (!recordset_ || !connection_ || !connection_->IsOpen()) return 0;
    return recordset_->IsOpen() ? 1 : 0;
}

void CADORecordset::Close() {
    if (IsOpen()) recordset_->Close();
}

void CADORecordset::RecordError(const db::_com_error& error) {
    lastError_ =
        "Query = " + EscapeForLog(query_) + "\n" + db::FormatErrorBlock("CADORecordset Error", error);
    lastErrorCode_ = error.Error();
}
