// The rows of one statement, walked one at a time. Every failure raises db::_com_error.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "odbc_connection.h"
#include "variant.h"

namespace db {

// What the source text of Open names.
enum class CommandKind {
    Text,             // a statement, run as it stands
    Table,            // a table: all its rows and columns
    StoredProcedure,  // a procedure (a name, optionally with its argument list), run through "{call ...}"
};

enum class CursorKind {
    Client,       // every row is fetched when the recordset opens: the count is known, walking is free
    ForwardOnly,  // rows are fetched as the recordset walks: the count reads -1, and going back to the
                  // first row runs the statement again
};

class Recordset {
  public:
    Recordset();
    ~Recordset();  // never raises
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    // Runs the source with `parameters` bound to its '?' markers, in place of any former rows. A statement
    // that gives no result set (an UPDATE) runs and leaves the recordset closed. Raises for a missing or
    // closed connection and for every failure of the driver.
    void Open(const std::shared_ptr<Connection>& connection, const std::string& source, CommandKind kind,
              const Parameters& parameters, CursorKind cursor = CursorKind::Client);
    bool IsOpen() const { return rows_ != nullptr; }

    // The following raise when the recordset is closed.
    std::int64_t RecordCount() const;  // -1 when the cursor cannot tell
    bool IsEof() const;
    void MoveFirst();
    void MoveNext();  // raises at the end
    // The value of a column (0-based) of the current row; raises at the end and for a bad index.
    const Variant& Field(int index) const;

    void Close();

    class Rows;  // where the rows come from: the client cursor or the forward-only one

  private:
    const Rows& OpenRows(const char* operation) const;

    std::unique_ptr<Rows> rows_;
};

// A statement kept for running later, as a stored procedure call usually is.
class Command {
  public:
    void SetActiveConnection(std::shared_ptr<Connection> connection) { connection_ = std::move(connection); }
    void SetCommandText(const std::string& text) { text_ = text; }
    void SetCommandType(CommandKind kind) { kind_ = kind; }

    // A new recordset opened on the command's connection; raises as Recordset::Open does.
    std::unique_ptr<Recordset> Execute(const Parameters& parameters, CursorKind cursor = CursorKind::Client);

  private:
    std::shared_ptr<Connection> connection_;
    std::string text_;
    CommandKind kind_ = CommandKind::Text;
};

}  // namespace db
