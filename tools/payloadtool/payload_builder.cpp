#include "tools/payloadtool/payload_builder.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "installer/payload_file.h"
#include "platform/zip/zip_writer.h"
#include "textservice/skin/zip_entry_table.h"

namespace lz::payload {
namespace {

bool ReadFile(const std::filesystem::path& path, std::vector<std::uint8_t>& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// The installer's reader keeps names in a 64-byte field and unpacks only ASCII names that stay below
// its folder.
bool UsableName(const std::string& name) {
  if (name.empty() || name.size() >= kZipEntryNameSize || !IsSafeZipEntryName(name)) return false;
  return std::all_of(name.begin(), name.end(), [](char c) { return c > 0x20 && c < 0x7F; });
}

}  // namespace

bool CollectMembers(const std::vector<PayloadSource>& sources, std::vector<PayloadMember>& out, std::string& error) {
  out.clear();
  for (const PayloadSource& source : sources) {
    if (!source.name.empty() && source.name.back() == '/') {
      std::error_code ec;
      if (!std::filesystem::is_directory(source.path, ec)) {
        error = "not a folder: " + source.path.string();
        return false;
      }
      std::vector<std::filesystem::path> files;
      for (const auto& entry : std::filesystem::directory_iterator(source.path)) {
        if (entry.is_regular_file()) files.push_back(entry.path());
      }
      std::sort(files.begin(), files.end());
      for (const auto& file : files) {
        PayloadMember member{source.name + file.filename().string(), {}};
        if (!UsableName(member.name)) {
          error = "a member name must be ASCII and shorter than 64 bytes: " + member.name;
          return false;
        }
        if (!ReadFile(file, member.data)) {
          error = "cannot read " + file.string();
          return false;
        }
        out.push_back(std::move(member));
      }
      continue;
    }
    PayloadMember member{source.name, {}};
    if (!UsableName(member.name)) {
      error = "a member name must be ASCII and shorter than 64 bytes: " + member.name;
      return false;
    }
    if (!ReadFile(source.path, member.data)) {
      error = "cannot read " + source.path.string();
      return false;
    }
    out.push_back(std::move(member));
  }
  return true;
}

bool BuildInstallerFile(const std::filesystem::path& stub, const std::vector<PayloadMember>& members,
                        const std::filesystem::path& output, std::string& error) {
  std::vector<std::uint8_t> program;
  if (!ReadFile(stub, program)) {
    error = "cannot read the installer program " + stub.string();
    return false;
  }
  std::vector<ZipMember> zip_members;
  for (const PayloadMember& m : members) zip_members.push_back({m.name, m.data, true});
  const std::vector<std::uint8_t> zip = MakeZip(zip_members);
  switch (installer::AppendPayload(program, zip)) {
    case installer::PayloadWrite::kWritten:
      break;
    case installer::PayloadWrite::kNotAProgram:
      error = "not a Windows program: " + stub.string();
      return false;
    case installer::PayloadWrite::kFieldsInUse:
      error = "the program's payload fields are not zero: " + stub.string();
      return false;
    case installer::PayloadWrite::kTooLarge:
      error = "the payload does not fit the 32-bit fields";
      return false;
    case installer::PayloadWrite::kTooSmall:
      error = "the payload is too small";
      return false;
  }
  std::error_code ec;
  if (output.has_parent_path()) std::filesystem::create_directories(output.parent_path(), ec);
  if (!WriteFile(output, program)) {
    error = "cannot write " + output.string();
    return false;
  }
  // Carved back and read exactly as the installer will.
  const std::filesystem::path carved = output.string() + ".check.zip";
  const bool carved_ok = installer::CarvePayload(output.u16string().c_str(), carved.u16string().c_str());
  const std::unique_ptr<ZipEntryTable> table = carved_ok ? ReadZipEntries(carved.u16string().c_str()) : nullptr;
  std::filesystem::remove(carved, ec);
  bool same = table && table->entries.size() == members.size();
  for (std::size_t i = 0; same && i < members.size(); ++i) {
    same = members[i].name == table->entries[i].name && members[i].data == table->entries[i].data;
  }
  if (!same) {
    std::filesystem::remove(output, ec);
    error = "the written installer does not carve back to its members";
    return false;
  }
  return true;
}

}  // namespace lz::payload
