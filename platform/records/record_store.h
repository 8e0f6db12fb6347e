#pragma once
// The tracker's record store: the table `Recorder` in an SQLite file ("Pendulo.db" beside the program).
// Dates are ISO texts, times whole seconds, and every value reaches SQLite as a bound parameter, so no
// locale and no quote inside a value can change what a statement means.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

struct sqlite3;

namespace records {

constexpr int kStoreVersion = 1;  // PRAGMA user_version of a store this program made
constexpr int kBusyTimeoutMs = 5000;  // a second copy of the program waits this long for a writer

// One row of `Recorder`. Texts are never NULL in the file; they read back as empty text.
struct StoredRecord {
  std::int64_t id = 0;        // 0: not stored yet
  std::u16string record_date;  // "YYYY-MM-DD"
  int weekday = 0;            // 0 Sunday to 6 Saturday
  std::int32_t start = 0;     // seconds after midnight
  std::int32_t stop = 0;      // seconds after midnight
  std::u16string content;
  std::int64_t pass = 0;      // seconds counted
  std::u16string remark;

  bool operator==(const StoredRecord&) const = default;
};

// The seven columns the grid shows and a sort may name, in the grid's order.
enum class Column { kRecordDate, kWeekday, kStart, kStop, kContent, kPass, kRemark };
constexpr int kColumnCount = 7;

std::u16string_view ColumnName(Column column);
// Exact, case-sensitive: a sort names one of the seven columns or nothing.
std::optional<Column> ColumnFromName(std::u16string_view name);
bool IsTextColumn(Column column);

using Value = std::variant<std::int64_t, std::u16string>;

// One condition of a query: the column at least / at most a value, or equal to one of a list of values
// (an empty list matches no row).
struct Condition {
  enum class Kind { kAtLeast, kAtMost, kOneOf };
  Column column;
  Kind kind;
  std::vector<Value> values;
};

struct Sort {
  Column column;
  bool descending = false;
};

// Rows that meet every condition, in the sort's order (ID order without one, which is the order stored).
struct RecordQuery {
  std::vector<Condition> conditions;
  std::optional<Sort> sort;
};

// What a search reports of the rows it found; passes are 64-bit sums of seconds.
struct PassTotals {
  std::int64_t count = 0;
  std::int64_t maximum = 0;
  std::int64_t minimum = 0;
  std::int64_t total = 0;
};

// A search's rows and their totals, read together.
struct FoundRows {
  std::vector<std::int64_t> ids;
  PassTotals totals;
};

enum class OpenStatus {
  kOk,
  kCannotOpen,   // the file cannot be opened or created
  kNotDatabase,  // not an SQLite file; it is left as it is
  kWrongTable,   // `Recorder` exists but lacks the columns; the file is left as it is
};

class RecordStore {
 public:
  RecordStore() = default;
  ~RecordStore();
  RecordStore(const RecordStore&) = delete;
  RecordStore& operator=(const RecordStore&) = delete;
  RecordStore(RecordStore&& other) noexcept;
  RecordStore& operator=(RecordStore&& other) noexcept;

  // Opens (or creates, with its table and version) the store at path. On failure the store stays
  // closed and LastError() names the reason.
  OpenStatus Open(const std::u16string& path);
  void Close();
  bool IsOpen() const { return db_ != nullptr; }

  // SQLite's own text for the last failure of this store.
  const std::u16string& LastError() const { return last_error_; }

  // Inserts rows with id 0 and updates rows with an ID, in one transaction. On success every row's id
  // is its stored ID; a row whose stored counterpart was deleted meanwhile is stored anew. On failure
  // nothing is stored and the rows keep their ids.
  bool WriteAll(std::span<StoredRecord> rows);

  std::optional<StoredRecord> Read(std::int64_t id);
  // The IDs of the rows the query finds, in its order; nullopt when the store fails.
  std::optional<std::vector<std::int64_t>> FindIds(const RecordQuery& query);
  std::optional<PassTotals> Totals(const RecordQuery& query);
  // FindIds and Totals in one pass over the rows.
  std::optional<FoundRows> FindRows(const RecordQuery& query);
  // The distinct values of a text column over the whole table, each where it was first stored.
  std::optional<std::vector<std::u16string>> DistinctValues(Column column);

  // Writes one cell of one row; a text column takes a text, the others a number.
  bool UpdateCell(std::int64_t id, Column column, const Value& value);
  // Deletes the rows with these IDs in one transaction.
  bool DeleteIds(std::span<const std::int64_t> ids);

 private:
  bool Fail();
  bool Execute(const char* sql);

  sqlite3* db_ = nullptr;
  std::u16string last_error_;
};

}  // namespace records
