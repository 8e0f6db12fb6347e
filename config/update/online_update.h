#pragma once
// The decisions of the online update that need no network or window: the digest that names this machine
// to the update server, the query address, the update list (an XML text) and what it means for this
// installation, and the texts the update dialog shows.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lz::config {

// MD5 (RFC 1321), fed any number of times, then finished once.
class Md5 {
 public:
  Md5();
  void Update(const void* data, std::size_t size);
  std::array<std::uint8_t, 16> Final();

 private:
  void Block(const std::uint8_t* block);
  std::uint32_t state_[4];
  std::uint64_t bytes_ = 0;
  std::uint8_t pending_[64] = {};
};

// 32 lowercase hexadecimal digits, high nibble first.
std::string Md5Hex(std::string_view bytes);

// One network adapter's hardware address, as the system lists it (its length may be 0).
using AdapterAddress = std::vector<std::uint8_t>;

// The server knows a machine by the digest of the first adapter address that has bytes: each byte as
// "%2x" (0x0A gives " a"), the text kept within 254 bytes. No such adapter gives the empty text's digest.
std::string MachineIdentifier(const std::vector<AdapterAddress>& adapters);

struct QueryValues {
  std::u16string version;     // DisplayVersion of the installed input method; "0" when empty
  std::u16string class_id;    // braced, as config was given it
  std::string machine;        // MachineIdentifier; "0" when empty
  std::int32_t data_version;  // the soft block's
};

// The template with every {version}, {guid}, {macaddr} and {dataver} replaced (case matters); replaced
// text is not searched again. The identifier goes without braces and dashes.
std::u16string FillQueryTemplate(std::u16string_view query_template, const QueryValues& values);

// A node of an XML text: the reader keeps names, attributes, element text and children only.
struct XmlNode {
  std::u16string name;
  std::u16string text;
  std::vector<std::pair<std::u16string, std::u16string>> attributes;
  std::vector<std::unique_ptr<XmlNode>> children;
};

// A root without a name whose children are the text's top-level elements; nothing when there are none.
// The reader recognises no entities, comments or CDATA; an element name left open ends the reading with
// what was read so far; a close tag with only the root open is ignored.
std::unique_ptr<XmlNode> ParseXmlText(std::u16string_view text);

// What the update list says. Addresses are kept to 511 units, the change notes to 4095, each "[r]" in
// them standing for a blank and a line break.
struct UpdateReply {
  std::uint64_t soft_version = 0;  // a.b.c.d, a in the highest 16 bits
  std::int32_t data_version = 0;
  std::int32_t lanzo_version = 0;
  std::int32_t data_min_soft_version = 0;
  std::u16string soft_url, data_url, log;
};

// Reads the list's first top-level element, which must be UpdateInfo (any case) with children. A reply
// without a softVersion (or "0") counts as no answer.
std::optional<UpdateReply> ReadUpdateList(const XmlNode& root);

enum class UpdateMode { kNone = 0, kProgram = 1, kData = 2 };

// A new installer when this installation is older than the newest data needs; else new data when the
// server's is newer; both compared unsigned.
UpdateMode DecideUpdateMode(std::uint32_t installed_soft_number, std::uint32_t local_data_version,
                            const UpdateReply& reply);

// The amount shown while downloading ("下载") or unpacking ("完成"): "%.2f MB" above 1048576 bytes, "%.2f KB"
// above 1024, else "%.2f Bytes". Nothing for 0 bytes while downloading (the text stays as it is).
std::optional<std::u16string> ProgressText(std::u16string_view what, std::uint64_t bytes);

// The log lines of a finished check.
std::u16string CheckResultText(UpdateMode mode, std::uint32_t local_data_version, const UpdateReply& reply);

// Where an update is downloaded and unpacked: temp folder (a missing separator added), the identifier as
// given (braces kept), then "update".
std::u16string UpdateWorkFolder(std::u16string_view temp_folder, std::u16string_view class_id);

// Whether a folder may be removed as an update's work folder: exactly the work folder of a braced
// identifier without separators or dots, so that a bad identifier can never turn the removal onto the
// temporary folder itself or anything above it.
bool IsUpdateWorkFolder(std::u16string_view folder, std::u16string_view temp_folder, std::u16string_view class_id);

// Removes an update's work folder with everything below it (links inside are removed, never followed); a
// folder that is not exactly the work folder (IsUpdateWorkFolder) is refused and left alone. True when
// nothing of it is left.
bool RemoveUpdateWorkFolder(std::u16string_view folder, std::u16string_view temp_folder, std::u16string_view class_id);

// The data files a data update may write: the nine names of a data folder, compared ignoring ASCII case.
bool IsUpdateDataFileName(std::u16string_view name);

// Checks a data file of an update before anything is written: main.dmg by the full table check, format
// 773 and the input method's own identifier; config.dsc by its four blocks and the identifier in its soft
// block; the other tables by the full table check (dict.dms in its dictionary layout). Returns the reason
// it is refused, or nothing for a file that may be written.
std::optional<std::u16string> RefuseUpdateDataFile(std::u16string_view name, const std::vector<std::uint8_t>& bytes,
                                                   const std::uint8_t (&identifier)[16]);

}  // namespace lz::config
