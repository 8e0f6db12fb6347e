#include "platform/records/record_store.h"

#include <sqlite3.h>

#include <array>
#include <string>
#include <utility>

namespace records {
namespace {

constexpr std::array<std::u16string_view, kColumnCount> kColumnNames = {
    u"RecordDate", u"Weekday", u"Start", u"Stop", u"Content", u"Pass", u"Remark"};
// The same names for SQL text; a column name is only ever one of these, never a caller's text.
constexpr std::array<const char*, kColumnCount> kColumnSql = {
    "RecordDate", "Weekday", "Start", "Stop", "Content", "Pass", "Remark"};

// AUTOINCREMENT: an ID is never given out twice, so a list row that remembers the ID of a row deleted
// since can never update another row that took its number.
constexpr const char* kCreateTable =
    "CREATE TABLE IF NOT EXISTS Recorder ("
    "ID INTEGER PRIMARY KEY AUTOINCREMENT, "
    "RecordDate TEXT NOT NULL DEFAULT '', "
    "Weekday INTEGER NOT NULL DEFAULT 0, "
    "Start INTEGER NOT NULL DEFAULT 0, "
    "Stop INTEGER NOT NULL DEFAULT 0, "
    "Content TEXT NOT NULL DEFAULT '', "
    "Pass INTEGER NOT NULL DEFAULT 0, "
    "Remark TEXT NOT NULL DEFAULT '')";

constexpr const char* kSelectColumns = "ID, RecordDate, Weekday, Start, Stop, Content, Pass, Remark";

// One prepared statement, finalized at scope end.
class Statement {
 public:
  Statement(sqlite3* db, const std::string& sql) {
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size() + 1), &stmt_, nullptr) !=
        SQLITE_OK) {
      stmt_ = nullptr;
    }
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  bool ok() const { return stmt_ != nullptr; }
  sqlite3_stmt* get() const { return stmt_; }

  bool Bind(int index, const Value& value) {
    if (const auto* number = std::get_if<std::int64_t>(&value)) {
      return sqlite3_bind_int64(stmt_, index, *number) == SQLITE_OK;
    }
    const auto& text = std::get<std::u16string>(value);
    return sqlite3_bind_text16(stmt_, index, text.data(), static_cast<int>(text.size() * sizeof(char16_t)),
                               SQLITE_TRANSIENT) == SQLITE_OK;
  }
  bool BindAll(const std::vector<Value>& values) {
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (!Bind(static_cast<int>(i + 1), values[i])) return false;
    }
    return true;
  }
  // SQLITE_ROW, SQLITE_DONE or an error code.
  int Step() { return sqlite3_step(stmt_); }

  std::int64_t Int(int column) const { return sqlite3_column_int64(stmt_, column); }
  std::u16string Text(int column) const {
    const void* text = sqlite3_column_text16(stmt_, column);
    if (text == nullptr) return {};
    const int bytes = sqlite3_column_bytes16(stmt_, column);
    return std::u16string(static_cast<const char16_t*>(text), static_cast<std::size_t>(bytes) / sizeof(char16_t));
  }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

const char* ColumnSql(Column column) { return kColumnSql[static_cast<std::size_t>(column)]; }

// The WHERE clause of a query, with its parameters in the order of their placeholders.
std::string WhereClause(const RecordQuery& query, std::vector<Value>& parameters) {
  std::string sql;
  const char* joiner = " WHERE ";
  for (const auto& condition : query.conditions) {
    sql += joiner;
    joiner = " AND ";
    const std::string column = ColumnSql(condition.column);
    switch (condition.kind) {
      case Condition::Kind::kAtLeast:
      case Condition::Kind::kAtMost:
        if (condition.values.size() != 1) {
          sql += "0";  // a bound without its value finds nothing rather than everything
          break;
        }
        sql += column + (condition.kind == Condition::Kind::kAtLeast ? " >= ?" : " <= ?");
        parameters.push_back(condition.values.front());
        break;
      case Condition::Kind::kOneOf:
        if (condition.values.empty()) {
          sql += "0";
          break;
        }
        sql += column + " IN (";
        for (std::size_t i = 0; i < condition.values.size(); ++i) {
          sql += i == 0 ? "?" : ", ?";
          parameters.push_back(condition.values[i]);
        }
        sql += ")";
        break;
    }
  }
  return sql;
}

std::string OrderClause(const RecordQuery& query) {
  std::string sql = " ORDER BY ";
  if (query.sort) {
    sql += ColumnSql(query.sort->column);
    sql += query.sort->descending ? " DESC, ID DESC" : ", ID";
  } else {
    sql += "ID";
  }
  return sql;
}

StoredRecord RowAt(const Statement& statement) {
  StoredRecord row;
  row.id = statement.Int(0);
  row.record_date = statement.Text(1);
  row.weekday = static_cast<int>(statement.Int(2));
  row.start = static_cast<std::int32_t>(statement.Int(3));
  row.stop = static_cast<std::int32_t>(statement.Int(4));
  row.content = statement.Text(5);
  row.pass = statement.Int(6);
  row.remark = statement.Text(7);
  return row;
}

void BindRow(Statement& statement, const StoredRecord& row) {
  statement.Bind(1, row.record_date);
  statement.Bind(2, std::int64_t{row.weekday});
  statement.Bind(3, std::int64_t{row.start});
  statement.Bind(4, std::int64_t{row.stop});
  statement.Bind(5, row.content);
  statement.Bind(6, row.pass);
  statement.Bind(7, row.remark);
}

}  // namespace

std::u16string_view ColumnName(Column column) { return kColumnNames[static_cast<std::size_t>(column)]; }

std::optional<Column> ColumnFromName(std::u16string_view name) {
  for (std::size_t i = 0; i < kColumnNames.size(); ++i) {
    if (kColumnNames[i] == name) return static_cast<Column>(i);
  }
  return std::nullopt;
}

bool IsTextColumn(Column column) {
  return column == Column::kRecordDate || column == Column::kContent || column == Column::kRemark;
}

RecordStore::~RecordStore() { Close(); }

RecordStore::RecordStore(RecordStore&& other) noexcept
    : db_(std::exchange(other.db_, nullptr)), last_error_(std::move(other.last_error_)) {}

RecordStore& RecordStore::operator=(RecordStore&& other) noexcept {
  if (this != &other) {
    Close();
    db_ = std::exchange(other.db_, nullptr);
    last_error_ = std::move(other.last_error_);
  }
  return *this;
}

void RecordStore::Close() {
  if (db_ != nullptr) sqlite3_close_v2(db_);
  db_ = nullptr;
}

bool RecordStore::Fail() {
  if (db_ == nullptr) {
    last_error_ = u"the record store is not open";
  } else {
    const void* message = sqlite3_errmsg16(db_);
    last_error_ = message != nullptr ? std::u16string(static_cast<const char16_t*>(message)) : u"";
  }
  return false;
}

bool RecordStore::Execute(const char* sql) {
  return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK || Fail();
}

OpenStatus RecordStore::Open(const std::u16string& path) {
  Close();
  last_error_.clear();
  if (sqlite3_open16(path.c_str(), &db_) != SQLITE_OK) {
    Fail();
    Close();
    return OpenStatus::kCannotOpen;
  }
  sqlite3_busy_timeout(db_, kBusyTimeoutMs);

  // Reading the schema is the first read of the file: a file that is not SQLite fails here, before
  // anything could be written to it.
  bool has_table = false;
  {
    Statement schema(db_, "SELECT name FROM sqlite_master WHERE type = 'table' AND name = 'Recorder' COLLATE NOCASE");
    int step = schema.ok() ? schema.Step() : sqlite3_errcode(db_);
    if (step != SQLITE_ROW && step != SQLITE_DONE) {
      const int code = sqlite3_errcode(db_);
      Fail();
      Close();
      return code == SQLITE_NOTADB ? OpenStatus::kNotDatabase : OpenStatus::kCannotOpen;
    }
    has_table = step == SQLITE_ROW;
  }

  if (has_table) {
    std::array<bool, kColumnCount + 1> found{};  // the seven columns, then ID
    Statement columns(db_, "SELECT name FROM pragma_table_info('Recorder')");
    if (!columns.ok()) {
      Fail();
      Close();
      return OpenStatus::kCannotOpen;
    }
    while (columns.Step() == SQLITE_ROW) {
      const std::u16string name = columns.Text(0);
      auto same = [&](std::u16string_view expected) {
        if (name.size() != expected.size()) return false;
        for (std::size_t i = 0; i < name.size(); ++i) {
          auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c; };
          if (lower(name[i]) != lower(expected[i])) return false;
        }
        return true;
      };
      for (std::size_t i = 0; i < kColumnNames.size(); ++i) {
        if (same(kColumnNames[i])) found[i] = true;
      }
      if (same(u"ID")) found[kColumnCount] = true;
    }
    for (bool present : found) {
      if (!present) {
        last_error_ = u"the table Recorder lacks the columns of a record store";
        Close();
        return OpenStatus::kWrongTable;
      }
    }
    return OpenStatus::kOk;
  }

  // A file opened by a UTF-16 path would be made UTF-16, and every text comparison of the connection
  // that made it would then translate its operands. An empty file takes UTF-8 here; a file that already
  // holds other tables keeps its encoding (SQLite ignores the pragma then), as an older UTF-16 store does.
  if (!Execute("PRAGMA encoding = 'UTF-8'") || !Execute("BEGIN IMMEDIATE")) {
    Close();
    return OpenStatus::kCannotOpen;
  }
  // IF NOT EXISTS: another copy of the program may have made the table between our look and our lock.
  const bool made = Execute(kCreateTable) &&
                    Execute(("PRAGMA user_version = " + std::to_string(kStoreVersion)).c_str()) &&
                    Execute("COMMIT");
  if (!made) {
    const std::u16string reason = last_error_;
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    last_error_ = reason;
    Close();
    return OpenStatus::kCannotOpen;
  }
  return OpenStatus::kOk;
}

bool RecordStore::WriteAll(std::span<StoredRecord> rows) {
  if (db_ == nullptr) return Fail();
  if (!Execute("BEGIN IMMEDIATE")) return false;
  std::vector<std::int64_t> ids;
  ids.reserve(rows.size());
  bool ok = true;
  {
    Statement insert(db_, "INSERT INTO Recorder (RecordDate, Weekday, Start, Stop, Content, Pass, Remark) "
                          "VALUES (?, ?, ?, ?, ?, ?, ?)");
    Statement update(db_, "UPDATE Recorder SET RecordDate = ?, Weekday = ?, Start = ?, Stop = ?, "
                          "Content = ?, Pass = ?, Remark = ? WHERE ID = ?");
    ok = insert.ok() && update.ok();
    for (std::size_t i = 0; ok && i < rows.size(); ++i) {
      const StoredRecord& row = rows[i];
      bool stored = false;
      if (row.id != 0) {
        sqlite3_reset(update.get());
        BindRow(update, row);
        update.Bind(8, row.id);
        ok = update.Step() == SQLITE_DONE;
        stored = ok && sqlite3_changes(db_) > 0;
        if (stored) ids.push_back(row.id);
      }
      if (ok && !stored) {
        sqlite3_reset(insert.get());
        BindRow(insert, row);
        ok = insert.Step() == SQLITE_DONE;
        if (ok) ids.push_back(sqlite3_last_insert_rowid(db_));
      }
    }
    if (!ok) Fail();
  }
  if (!ok || !Execute("COMMIT")) {
    const std::u16string reason = last_error_;
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    last_error_ = reason;
    return false;
  }
  for (std::size_t i = 0; i < rows.size(); ++i) rows[i].id = ids[i];
  return true;
}

std::optional<StoredRecord> RecordStore::Read(std::int64_t id) {
  if (db_ == nullptr) return Fail(), std::nullopt;
  Statement select(db_, std::string("SELECT ") + kSelectColumns + " FROM Recorder WHERE ID = ?");
  if (!select.ok() || !select.Bind(1, id)) return Fail(), std::nullopt;
  const int step = select.Step();
  if (step == SQLITE_ROW) return RowAt(select);
  if (step != SQLITE_DONE) Fail();
  return std::nullopt;
}

std::optional<std::vector<std::int64_t>> RecordStore::FindIds(const RecordQuery& query) {
  if (db_ == nullptr) return Fail(), std::nullopt;
  std::vector<Value> parameters;
  const std::string sql = "SELECT ID FROM Recorder" + WhereClause(query, parameters) + OrderClause(query);
  Statement select(db_, sql);
  if (!select.ok() || !select.BindAll(parameters)) return Fail(), std::nullopt;
  std::vector<std::int64_t> ids;
  int step;
  while ((step = select.Step()) == SQLITE_ROW) ids.push_back(select.Int(0));
  if (step != SQLITE_DONE) return Fail(), std::nullopt;
  return ids;
}

std::optional<FoundRows> RecordStore::FindRows(const RecordQuery& query) {
  if (db_ == nullptr) return Fail(), std::nullopt;
  std::vector<Value> parameters;
  const std::string sql = "SELECT ID, Pass FROM Recorder" + WhereClause(query, parameters) + OrderClause(query);
  Statement select(db_, sql);
  if (!select.ok() || !select.BindAll(parameters)) return Fail(), std::nullopt;
  FoundRows found;
  PassTotals& totals = found.totals;
  int step;
  while ((step = select.Step()) == SQLITE_ROW) {
    found.ids.push_back(select.Int(0));
    const std::int64_t pass = select.Int(1);
    if (totals.count == 0 || pass > totals.maximum) totals.maximum = pass;
    if (totals.count == 0 || pass < totals.minimum) totals.minimum = pass;
    ++totals.count;
    // SUM() refuses a total past 64 bits; so does this pass rather than show a wrapped number.
    if (__builtin_add_overflow(totals.total, pass, &totals.total)) {
      last_error_ = u"integer overflow";
      return std::nullopt;
    }
  }
  if (step != SQLITE_DONE) return Fail(), std::nullopt;
  return found;
}

std::optional<PassTotals> RecordStore::Totals(const RecordQuery& query) {
  if (db_ == nullptr) return Fail(), std::nullopt;
  std::vector<Value> parameters;
  Statement select(db_, "SELECT COUNT(*), MAX(Pass), MIN(Pass), SUM(Pass) FROM Recorder" +
                            WhereClause(query, parameters));
  if (!select.ok() || !select.BindAll(parameters)) return Fail(), std::nullopt;
  if (select.Step() != SQLITE_ROW) return Fail(), std::nullopt;
  PassTotals totals;
  totals.count = select.Int(0);
  totals.maximum = select.Int(1);
  totals.minimum = select.Int(2);
  totals.total = select.Int(3);
  return totals;
}

std::optional<std::vector<std::u16string>> RecordStore::DistinctValues(Column column) {
  if (db_ == nullptr) return Fail(), std::nullopt;
  const std::string name = ColumnSql(column);
  Statement select(db_, "SELECT " + name + " FROM Recorder GROUP BY " + name + " ORDER BY MIN(ID)");
  if (!select.ok()) return Fail(), std::nullopt;
  std::vector<std::u16string> values;
  int step;
  while ((step = select.Step()) == SQLITE_ROW) values.push_back(select.Text(0));
  if (step != SQLITE_DONE) return Fail(), std::nullopt;
  return values;
}

bool RecordStore::UpdateCell(std::int64_t id, Column column, const Value& value) {
  if (db_ == nullptr) return Fail();
  Statement update(db_, std::string("UPDATE Recorder SET ") + ColumnSql(column) + " = ? WHERE ID = ?");
  if (!update.ok() || !update.Bind(1, value) || !update.Bind(2, id)) return Fail();
  return update.Step() == SQLITE_DONE || Fail();
}

bool RecordStore::DeleteIds(std::span<const std::int64_t> ids) {
  if (db_ == nullptr) return Fail();
  if (!Execute("BEGIN IMMEDIATE")) return false;
  bool ok;
  {
    Statement remove(db_, "DELETE FROM Recorder WHERE ID = ?");
    ok = remove.ok();
    for (std::size_t i = 0; ok && i < ids.size(); ++i) {
      sqlite3_reset(remove.get());
      ok = remove.Bind(1, ids[i]) && remove.Step() == SQLITE_DONE;
    }
    if (!ok) Fail();
  }
  if (!ok || !Execute("COMMIT")) {
    const std::u16string reason = last_error_;
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    last_error_ = reason;
    return false;
  }
  return true;
}

}  // namespace records
