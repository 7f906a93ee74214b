#include "odbc_recordset.h"

#include <vector>

#include "odbc_call.h"
#include "odbc_statement.h"

namespace db {

class Recordset::Rows {
  public:
    virtual ~Rows() = default;
    virtual std::int64_t Count() const = 0;
    virtual bool AtEnd() const = 0;
    virtual void First() = 0;
    virtual void Next() = 0;
    virtual const std::vector<Variant>& Current() const = 0;
    virtual int ColumnCount() const = 0;
};

namespace {

// Every row in memory, fetched at once.
class ClientRows : public Recordset::Rows {
  public:
    explicit ClientRows(Statement& statement) : columns_(static_cast<int>(statement.Columns().size())) {
        std::vector<Variant> row;
        while (statement.Fetch(row))
            rows_.push_back(std::move(row));
    }
    std::int64_t Count() const override { return static_cast<std::int64_t>(rows_.size()); }
    bool AtEnd() const override { return position_ >= rows_.size(); }
    void First() override { position_ = 0; }
    void Next() override { ++position_; }
    const std::vector<Variant>& Current() const override { return rows_[position_]; }
    int ColumnCount() const override { return columns_; }

  private:
    std::vector<std::vector<Variant>> rows_;
    std::size_t position_ = 0;
    int columns_;
};

// One row at a time from the live statement; back to the first row by running the statement again.
class ForwardRows : public Recordset::Rows {
  public:
    ForwardRows(std::shared_ptr<Connection> connection, std::unique_ptr<Statement> statement, std::string sql,
                Parameters parameters)
        : connection_(std::move(connection)),
          statement_(std::move(statement)),
          sql_(std::move(sql)),
          parameters_(std::move(parameters)) {
        Next();
    }
    std::int64_t Count() const override { return -1; }
    bool AtEnd() const override { return atEnd_; }
    void First() override {
        statement_->Execute(sql_, parameters_);
        Next();
    }
    void Next() override { atEnd_ = !statement_->Fetch(current_); }
    const std::vector<Variant>& Current() const override { return current_; }
    int ColumnCount() const override { return static_cast<int>(statement_->Columns().size()); }

  private:
    std::shared_ptr<Connection> connection_;  // outlives the statement
    std::unique_ptr<Statement> statement_;
    std::string sql_;
    Parameters parameters_;
    std::vector<Variant> current_;
    bool atEnd_ = false;
};

std::string StatementText(const std::string& source, CommandKind kind) {
    switch (kind) {
        case CommandKind::Table:
            return "SELECT * FROM " + source;
        case CommandKind::StoredProcedure:
            return "{call " + source + "}";
        case CommandKind::Text:
            break;
    }
    return source;
}

}  // namespace

Recordset::Recordset() = default;
Recordset::~Recordset() = default;

void Recordset::Open(const std::shared_ptr<Connection>& connection, const std::string& source,
                     CommandKind kind, const Parameters& parameters, CursorKind cursor) {
    rows_.reset();
    if (!connection) throw _com_error(kErrorInvalidPointer);
    std::string sql = StatementText(source, kind);
    auto statement = std::make_unique<Statement>(*connection);
    statement->Execute(sql, parameters);
    if (statement->Columns().empty()) return;  // ran; no rows to show
    if (cursor == CursorKind::ForwardOnly)
        rows_ = std::make_unique<ForwardRows>(connection, std::move(statement), sql, parameters);
    else
        rows_ = std::make_unique<ClientRows>(*statement);
}

const Recordset::Rows& Recordset::OpenRows(const char* operation) const {
    if (!rows_) odbc::Raise(odbc::kFunctionSequenceError, operation, "The recordset is closed");
    return *rows_;
}

std::int64_t Recordset::RecordCount() const {
    return OpenRows("Recordset.RecordCount").Count();
}

bool Recordset::IsEof() const {
    return OpenRows("Recordset.EOF").AtEnd();
}

void Recordset::MoveFirst() {
    OpenRows("Recordset.MoveFirst");
    rows_->First();
}

void Recordset::MoveNext() {
    if (OpenRows("Recordset.MoveNext").AtEnd())
        odbc::Raise(odbc::kInvalidCursorState, "Recordset.MoveNext",
                    "There is no current row: the end is reached");
    rows_->Next();
}

const Variant& Recordset::Field(int index) const {
    const Rows& rows = OpenRows("Recordset.Fields");
    if (index < 0 || index >= rows.ColumnCount())
        odbc::Raise(odbc::kInvalidDescriptorIndex, "Recordset.Fields",
                    "Column " + std::to_string(index) + " does not exist; the recordset has " +
                        std::to_string(rows.ColumnCount()) + " columns");
    if (rows.AtEnd())
        odbc::Raise(odbc::kInvalidCursorState, "Recordset.Fields",
                    "There is no current row: the end is reached");
    return rows.Current()[static_cast<std::size_t>(index)];
}

void Recordset::Close() {
    rows_.reset();
}

std::unique_ptr<Recordset> Command::Execute(const Parameters& parameters, CursorKind cursor) {
    auto recordset = std::make_unique<Recordset>();
    recordset->Open(connection_, text_, kind_, parameters, cursor);
    return recordset;
}

}  // namespace db
