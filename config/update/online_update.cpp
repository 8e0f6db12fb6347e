#include "config/update/online_update.h"

#include <cstdio>
#include <cstring>

#include "config/app/command_line.h"
#include "platform/os/folder_list.h"
#include "platform/os/folder_tree.h"
#include "textservice/engine/byte_view.h"
#include "textservice/engine/code_table_format.h"
#include "textservice/engine/settings_store.h"

namespace lz::config {
namespace {

constexpr std::uint32_t kShifts[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                       5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                       4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                       6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

// floor(abs(sin(i + 1)) * 2^32)
constexpr std::uint32_t kSines[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

std::uint32_t RotateLeft(std::uint32_t x, std::uint32_t n) { return (x << n) | (x >> (32 - n)); }

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

bool SameNameIgnoringCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

// Leading decimal digits; 0 when there are none.
std::int32_t LeadingNumber(std::u16string_view text) {
  std::uint32_t value = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') break;
    value = value * 10 + static_cast<std::uint32_t>(c - u'0');
  }
  return static_cast<std::int32_t>(value);
}

std::u16string Widen(std::string_view text) { return std::u16string(text.begin(), text.end()); }

void ReplaceAll(std::u16string& text, std::u16string_view what, std::u16string_view with) {
  for (std::size_t at = text.find(what); at != std::u16string::npos; at = text.find(what, at + with.size())) {
    text.replace(at, what.size(), with);
  }
}

std::u16string Formatted(const char* format, double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return Widen(buffer);
}

}  // namespace

Md5::Md5() : state_{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476} {}

void Md5::Block(const std::uint8_t* block) {
  std::uint32_t m[16];
  for (int i = 0; i < 16; ++i) {
    m[i] = static_cast<std::uint32_t>(block[4 * i]) | static_cast<std::uint32_t>(block[4 * i + 1]) << 8 |
           static_cast<std::uint32_t>(block[4 * i + 2]) << 16 | static_cast<std::uint32_t>(block[4 * i + 3]) << 24;
  }
  std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
  for (int i = 0; i < 64; ++i) {
    std::uint32_t f = 0;
    int g = 0;
    if (i < 16) {
      f = (b & c) | (~b & d);
      g = i;
    } else if (i < 32) {
      f = (d & b) | (~d & c);
      g = (5 * i + 1) % 16;
    } else if (i < 48) {
      f = b ^ c ^ d;
      g = (3 * i + 5) % 16;
    } else {
      f = c ^ (b | ~d);
      g = (7 * i) % 16;
    }
    const std::uint32_t next = d;
    d = c;
    c = b;
    b = b + RotateLeft(a + f + kSines[i] + m[g], kShifts[i]);
    a = next;
  }
  state_[0] += a;
  state_[1] += b;
  state_[2] += c;
  state_[3] += d;
}

void Md5::Update(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  std::size_t held = static_cast<std::size_t>(bytes_ % 64);
  bytes_ += size;
  while (size > 0) {
    const std::size_t take = std::min<std::size_t>(64 - held, size);
    std::memcpy(pending_ + held, bytes, take);
    held += take;
    bytes += take;
    size -= take;
    if (held == 64) {
      Block(pending_);
      held = 0;
    }
  }
}

std::array<std::uint8_t, 16> Md5::Final() {
  const std::uint64_t bits = bytes_ * 8;
  static constexpr std::uint8_t kPadding[64] = {0x80};
  const std::size_t held = static_cast<std::size_t>(bytes_ % 64);
  Update(kPadding, held < 56 ? 56 - held : 120 - held);
  std::uint8_t length[8];
  for (int i = 0; i < 8; ++i) length[i] = static_cast<std::uint8_t>(bits >> (8 * i));
  Update(length, sizeof length);
  std::array<std::uint8_t, 16> digest{};
  for (int i = 0; i < 16; ++i) digest[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(state_[i / 4] >> (8 * (i % 4)));
  return digest;
}

std::string Md5Hex(std::string_view bytes) {
  Md5 md5;
  md5.Update(bytes.data(), bytes.size());
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (std::uint8_t b : md5.Final()) {
    hex += kDigits[b >> 4];
    hex += kDigits[b & 0xF];
  }
  return hex;
}

std::string MachineIdentifier(const std::vector<AdapterAddress>& adapters) {
  constexpr std::size_t kMaxTextBytes = 254;  // a 255-byte buffer with its terminator
  std::string text;
  for (const AdapterAddress& address : adapters) {
    if (address.empty()) continue;
    for (std::uint8_t b : address) {
      char part[8];
      std::snprintf(part, sizeof part, "%2x", b);
      text += part;
    }
    break;
  }
  if (text.size() > kMaxTextBytes) text.resize(kMaxTextBytes);
  return Md5Hex(text);
}

std::u16string FillQueryTemplate(std::u16string_view query_template, const QueryValues& values) {
  std::u16string guid;
  for (char16_t c : values.class_id) {
    if (c != u'{' && c != u'}' && c != u'-') guid += c;
  }
  const std::u16string version = values.version.empty() ? u"0" : values.version;
  const std::u16string machine = values.machine.empty() ? u"0" : Widen(values.machine);
  const std::u16string data_version = Widen(std::to_string(values.data_version));
  const std::pair<std::u16string_view, std::u16string_view> placeholders[] = {
      {u"{version}", version}, {u"{guid}", guid}, {u"{macaddr}", machine}, {u"{dataver}", data_version}};
  // One pass over the template: a value that happens to hold a placeholder's text stays as it is.
  std::u16string address;
  for (std::size_t at = 0; at < query_template.size();) {
    bool replaced = false;
    for (const auto& [name, value] : placeholders) {
      if (query_template.substr(at, name.size()) == name) {
        address += value;
        at += name.size();
        replaced = true;
        break;
      }
    }
    if (!replaced) address += query_template[at++];
  }
  return address;
}

std::unique_ptr<XmlNode> ParseXmlText(std::u16string_view text) {
  constexpr std::size_t kMaxEndTagUnits = 256;
  auto root = std::make_unique<XmlNode>();
  std::vector<XmlNode*> open{root.get()};
  std::size_t at = 0;
  while ((at = text.find(u'<', at)) != std::u16string_view::npos) {
    if (at + 1 < text.size() && text[at + 1] == u'/') {
      // The end tag's name is not compared with the open element's; the root itself never closes.
      const std::size_t end = text.find(u'>', at);
      if (end == std::u16string_view::npos || end - at > kMaxEndTagUnits + 2) break;
      if (open.size() > 1) open.pop_back();
      at = end + 1;
      continue;
    }
    if (at + 1 < text.size() && text[at + 1] == u'?') {
      const std::size_t end = text.find(u"?>", at + 2);
      if (end == std::u16string_view::npos) break;
      at = end + 2;
      continue;
    }
    std::size_t name_end = at + 1;
    while (name_end < text.size() && !IsBlank(text[name_end]) && text[name_end] != u'/' && text[name_end] != u'>') {
      ++name_end;
    }
    if (name_end >= text.size()) break;  // an element name left open: what was read stands
    const std::size_t close = text.find(u'>', name_end);
    if (close == std::u16string_view::npos) break;
    auto node = std::make_unique<XmlNode>();
    node->name = std::u16string(text.substr(at + 1, name_end - at - 1));
    const bool self_closing = text[close - 1] == u'/';
    // Attributes: name=value pairs, the value in double quotes or up to the next blank.
    std::size_t p = name_end;
    const std::size_t attributes_end = self_closing ? close - 1 : close;
    while (p < attributes_end) {
      while (p < attributes_end && IsBlank(text[p])) ++p;
      const std::size_t equals = text.find(u'=', p);
      if (p >= attributes_end || equals == std::u16string_view::npos || equals >= attributes_end) break;
      std::u16string name(text.substr(p, equals - p));
      while (!name.empty() && IsBlank(name.back())) name.pop_back();
      p = equals + 1;
      std::u16string value;
      if (p < attributes_end && text[p] == u'"') {
        const std::size_t quote = text.find(u'"', p + 1);
        const std::size_t value_end = quote == std::u16string_view::npos || quote > attributes_end ? attributes_end : quote;
        value = std::u16string(text.substr(p + 1, value_end - p - 1));
        p = value_end + 1;
      } else {
        std::size_t value_end = p;
        while (value_end < attributes_end && !IsBlank(text[value_end])) ++value_end;
        value = std::u16string(text.substr(p, value_end - p));
        p = value_end;
      }
      node->attributes.emplace_back(std::move(name), std::move(value));
    }
    at = close + 1;
    if (!self_closing) {
      std::size_t first = at;
      while (first < text.size() && IsBlank(text[first])) ++first;
      const std::size_t next = text.find(u'<', first);
      node->text = std::u16string(text.substr(first, (next == std::u16string_view::npos ? text.size() : next) - first));
    }
    XmlNode* added = node.get();
    open.back()->children.push_back(std::move(node));
    if (!self_closing) open.push_back(added);
  }
  if (root->children.empty()) return nullptr;
  return root;
}

std::optional<UpdateReply> ReadUpdateList(const XmlNode& root) {
  constexpr std::size_t kMaxUrlUnits = 511;
  constexpr std::size_t kMaxLogUnits = 4095;
  if (root.children.empty()) return std::nullopt;
  const XmlNode& info = *root.children.front();
  if (!SameNameIgnoringCase(info.name, u"UpdateInfo") || info.children.empty()) return std::nullopt;
  UpdateReply reply;
  for (const auto& child : info.children) {
    const std::u16string_view value = child->text;
    if (SameNameIgnoringCase(child->name, u"softVersion")) {
      reply.soft_version = ParseVersionText(value);
    } else if (SameNameIgnoringCase(child->name, u"dataVersion")) {
      reply.data_version = LeadingNumber(value);
    } else if (SameNameIgnoringCase(child->name, u"lanzoVersion")) {
      reply.lanzo_version = LeadingNumber(value);
    } else if (SameNameIgnoringCase(child->name, u"dataMinsoftVersion")) {
      reply.data_min_soft_version = LeadingNumber(value);
    } else if (SameNameIgnoringCase(child->name, u"softUrl")) {
      reply.soft_url = std::u16string(value.substr(0, kMaxUrlUnits));
    } else if (SameNameIgnoringCase(child->name, u"dataUrl")) {
      reply.data_url = std::u16string(value.substr(0, kMaxUrlUnits));
    } else if (SameNameIgnoringCase(child->name, u"log")) {
      reply.log = std::u16string(value.substr(0, kMaxLogUnits));
      ReplaceAll(reply.log, u"[r]", u" \r\n");
    }
  }
  if (reply.soft_version == 0) return std::nullopt;
  return reply;
}

UpdateMode DecideUpdateMode(std::uint32_t installed_soft_number, std::uint32_t local_data_version,
                            const UpdateReply& reply) {
  if (installed_soft_number < static_cast<std::uint32_t>(reply.data_min_soft_version)) return UpdateMode::kProgram;
  if (local_data_version < static_cast<std::uint32_t>(reply.data_version)) return UpdateMode::kData;
  return UpdateMode::kNone;
}

std::optional<std::u16string> ProgressText(std::u16string_view what, std::uint64_t bytes) {
  constexpr std::uint64_t kKilobyte = 1024;
  constexpr std::uint64_t kMegabyte = 1048576;
  if (bytes == 0 && what == u"下载") return std::nullopt;
  std::u16string text(what);
  const auto value = static_cast<double>(bytes);
  if (bytes > kMegabyte) return text + Formatted(": %.2f MB", value / kMegabyte);
  if (bytes > kKilobyte) return text + Formatted(": %.2f KB", value / kKilobyte);
  return text + Formatted(": %.2f Bytes", value);
}

std::u16string CheckResultText(UpdateMode mode, std::uint32_t local_data_version, const UpdateReply& reply) {
  switch (mode) {
    case UpdateMode::kProgram: {
      std::u16string version;
      for (int part = 0; part < 4; ++part) {
        if (part > 0) version += u'.';
        version += Widen(std::to_string((reply.soft_version >> (16 * (3 - part))) & 0xFFFF));
      }
      return u"服务器存在新版本的安装程序, 版本号:" + version + u"\r\n更新内容如下: \r\n" + reply.log + u"\r\n下载地址: " +
             reply.soft_url;
    }
    case UpdateMode::kData:
      return u"服务器存在新版本输入法数据\r\n服务器数据版本:" + Widen(std::to_string(reply.data_version)) +
             u"\r\n本地数据版本:" + Widen(std::to_string(static_cast<std::int32_t>(local_data_version)));
    case UpdateMode::kNone:
      break;
  }
  return u"您的程序是最新版本, 无需更新.";
}

std::u16string UpdateWorkFolder(std::u16string_view temp_folder, std::u16string_view class_id) {
  std::u16string folder(temp_folder);
  if (folder.empty() || folder.back() != os::kPathSeparator) folder += os::kPathSeparator;
  return folder + std::u16string(class_id) + os::kPathSeparator + u"update";
}

bool IsUpdateWorkFolder(std::u16string_view folder, std::u16string_view temp_folder, std::u16string_view class_id) {
  if (class_id.size() < 3 || class_id.front() != u'{' || class_id.back() != u'}') return false;
  for (char16_t c : class_id.substr(1, class_id.size() - 2)) {
    if (c == u'\\' || c == u'/' || c == u'.' || c == u':' || c == u'{' || c == u'}') return false;
  }
  if (temp_folder.empty()) return false;
  return folder == UpdateWorkFolder(temp_folder, class_id);
}

bool RemoveUpdateWorkFolder(std::u16string_view folder, std::u16string_view temp_folder, std::u16string_view class_id) {
  if (!IsUpdateWorkFolder(folder, temp_folder, class_id)) return false;
  const std::u16string path(folder);
  if (!os::IsFolder(path.c_str())) return true;
  return os::DeleteFolderTree(path.c_str(), false).removed;
}

namespace {

constexpr std::u16string_view kDataFileNames[] = {u"config.dsc",     u"main.dmg",        u"temp.dmg",
                                                  u"engl.dmg",       u"sysl.dmg",        u"danzi.dmi",
                                                  u"traditional.dms", u"simplified.dms", u"dict.dms"};

const char16_t* TableCheckReason(TableCheck check) {
  switch (check) {
    case TableCheck::kValid:
      return u"";
    case TableCheck::kTooSmall:
      return u"文件不完整";
    case TableCheck::kWrongFormat:
      return u"码表格式不符";
    case TableCheck::kOutOfOrder:
      return u"码表未排序";
    default:
      return u"码表已损坏";
  }
}

}  // namespace

bool IsUpdateDataFileName(std::u16string_view name) {
  for (std::u16string_view known : kDataFileNames) {
    if (SameNameIgnoringCase(name, known)) return true;
  }
  return false;
}

std::optional<std::u16string> RefuseUpdateDataFile(std::u16string_view name, const std::vector<std::uint8_t>& bytes,
                                                   const std::uint8_t (&identifier)[16]) {
  const std::u16string file(name);
  if (!IsUpdateDataFileName(name)) return file + u": 不是输入法数据文件";
  const ByteView view{const_cast<std::uint8_t*>(bytes.data()), static_cast<std::uint32_t>(bytes.size())};
  if (bytes.size() > 0x7FFFFFFF) return file + u": 文件过大";
  if (SameNameIgnoringCase(name, u"config.dsc")) {
    ConfigBlocks blocks;
    if (!FindConfigBlocks(view, blocks)) return file + u": 设置文件已损坏";
    if (!blocks.soft.Holds(soft_block::kIdentifier, 16) ||
        std::memcmp(blocks.soft.data + soft_block::kIdentifier, identifier, 16) != 0) {
      return file + u": 属于其他输入法";
    }
    return std::nullopt;
  }
  TableCheckOptions options;
  options.dictionary_layout = SameNameIgnoringCase(name, u"dict.dms");
  const TableCheck check = ValidateCodeTable(view, options);
  if (check != TableCheck::kValid) return file + u": " + TableCheckReason(check);
  if (SameNameIgnoringCase(name, u"main.dmg")) {
    CodeTableHeader header;
    if (!ReadCodeTableHeader(view, header) || std::memcmp(header.identifier, identifier, 16) != 0) {
      return file + u": 属于其他输入法";
    }
  }
  return std::nullopt;
}

}  // namespace lz::config
