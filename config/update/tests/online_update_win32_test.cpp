// The online update against a small HTTP server on 127.0.0.1, on an installed input method in a private
// Wine prefix: what the request carries, what the check logs, a program update that starts a marker
// program, packages that must be refused, and data updates while another process maps the tables.
#include <windows.h>

#include <shlobj.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "config/app/config_context_win32.h"
#include "config/app/config_program_win32.h"
#include "config/app/tests/installed_config.h"
#include "config/update/update_dialog_resources.h"
#include "config/update/update_dialog_win32.h"
#include "config/update/update_worker_win32.h"
#include "platform/os/network_adapters.h"
#include "platform/os/program_signature.h"
#include "platform/os/program_start.h"
#include "platform/os/system_info.h"
#include "platform/zip/zip_writer.h"
#include "tests/support/child_process.h"
#include "tests/support/loopback_http_server.h"
#include "tests/support/temp_folder.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/code_table.h"
#include "textservice/engine/mapped_file.h"
#include "textservice/engine/settings_store.h"

namespace lz::config {
namespace {

using lz::test::HttpRoute;
using lz::test::LoopbackHttpServer;

constexpr char16_t kDisplayName[] = u"兰卓测试";
constexpr std::uint32_t kSoftwareNumber = 5;
constexpr std::uint32_t kLocalDataVersion = 7;
constexpr char kStart[] = "\r\n-------------------------------------\r\n正在检查更新, 请稍候...\r\n\r\n";
constexpr char kNoServer[] = "\r\n无法连接到更新服务器\r\n\r\n";

std::u16string U16(const std::string& utf8) {
  const int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), units);
  return std::u16string(wide.begin(), wide.end());
}

std::string Utf8(const std::u16string& text) {
  const auto* wide = reinterpret_cast<const wchar_t*>(text.c_str());
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(text.size()), out.data(), bytes, nullptr, nullptr);
  return out;
}

std::filesystem::path ProgramFolder() {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  return std::filesystem::path(self).parent_path();
}

std::vector<std::uint8_t> MarkerProgram() {
  return lz::test::ReadFileBytes(ProgramFolder() / "update_marker_program.exe");
}

// Collects what the update shows; a data update is finished on the calling thread.
class RecordingSink : public UpdateSink {
 public:
  explicit RecordingSink(ConfigContext* context) : context_(context) {}
  void Log(std::u16string_view text) override {
    std::lock_guard<std::mutex> hold(lock_);
    log_ += std::u16string(text) + u"\r\n";
  }
  void ClearLog() override {
    std::lock_guard<std::mutex> hold(lock_);
    log_.clear();
  }
  void Progress(std::u16string_view) override {}
  void StartFailed() override { Log(u"(start failed)"); }
  bool FinishDataUpdate(const UpdateReply& reply) override {
    return FinishDataUpdateOnWindowThread(*context_, context_->class_id, reply);
  }
  std::string log() {
    std::lock_guard<std::mutex> hold(lock_);
    return Utf8(log_);
  }

 private:
  ConfigContext* context_;
  std::mutex lock_;
  std::u16string log_;
};

struct ListValues {
  std::string soft_version = "2.0.0.1";
  int data_version = 9;
  int data_min_soft_version = 5;
  std::string soft_url;
  std::string data_url;
};

std::string ListText(const ListValues& values) {
  std::string text = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<UpdateInfo>\r\n";
  if (!values.soft_version.empty()) text += "  <softVersion>" + values.soft_version + "</softVersion>\r\n";
  text += "  <dataVersion>" + std::to_string(values.data_version) + "</dataVersion>\r\n";
  text += "  <lanzoVersion>3</lanzoVersion>\r\n";
  text += "  <dataMinsoftVersion>" + std::to_string(values.data_min_soft_version) + "</dataMinsoftVersion>\r\n";
  text += "  <softUrl>" + values.soft_url + "</softUrl>\r\n  <dataUrl>" + values.data_url + "</dataUrl>\r\n";
  text += "  <log>新词[r]修正</log>\r\n</UpdateInfo>\r\n";
  return text;
}

os::AdapterAddresses TestAdapters(void*) { return {{}, {0x00, 0x0A, 0x05, 0xFF, 0x12, 0x34}}; }

os::SignatureCheck TrustEverything(const char16_t*, void*) { return {true, u""}; }

std::vector<std::u16string> Words(const std::filesystem::path& table_path) {
  std::vector<std::u16string> words;
  MappedFile* table = nullptr;
  if (OpenMappedFile(table_path.u16string().c_str(), &table) <= 0) return words;
  for (std::uint32_t i = 0; i < RecordCount(table); ++i) {
    CodeTableRecord record;
    char16_t text[300] = {};
    if (RecordAt(table, static_cast<std::int32_t>(i), record) && RecordText(record, text) > 0) words.push_back(text);
  }
  CloseMappedFile(table);
  return words;
}

bool Contains(const std::vector<std::u16string>& words, const std::u16string& word) {
  for (const auto& w : words) {
    if (w == word) return true;
  }
  return false;
}

bool WaitForFile(const std::filesystem::path& path) {
  for (int tries = 0; tries < 1500; ++tries) {
    if (std::filesystem::exists(path)) return true;
    Sleep(20);
  }
  return false;
}

class OnlineUpdateTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.listening());
    installed::InstallLibrary(L"Quenlith");
    os::SetAdapterSource(TestAdapters, nullptr);
  }
  void TearDown() override {
    if (context_) CloseConfigContext(context_);
    os::SetAdapterSource(nullptr, nullptr);
    os::SetSignatureChecker(nullptr, nullptr);
    os::SetProgramStartSink(nullptr, nullptr);
    if (folder_) RemoveUpdateWorkFolder(WorkFolder(), TempFolder(), folder_->class_id());
  }

  std::string Template() const { return server_.Url("/list?v={version}&g={guid}&m={macaddr}&d={dataver}"); }

  void Install(const std::string& query_template) {
    lz::test::DataFolderContents contents = installed::Contents();
    contents.main.push_back({"b", "\xE7\x94\xA8\xE6\x88\xB7", lz::test::RecordFlags(2, 1)});  // 用户, a user word
    const std::u16string update = U16(query_template);
    contents.edit_blocks = [update](ConfigBlocks& b) {
      WriteFieldText(b.soft, soft_block::kImeName, 56, u"Quenlith");
      WriteFieldText(b.soft, soft_block::kDisplayName, 64, kDisplayName);
      WriteFieldText(b.soft, soft_block::kUrlUpdateInfo, 512, update);
      b.soft.WriteU32(soft_block::kSoftwareNumber, kSoftwareNumber);
      b.soft.WriteU32(soft_block::kDataVersion, kLocalDataVersion);
    };
    folder_ = std::make_unique<lz::test::InstalledFolder>(contents);
    os::SetMachineString(folder_->RegistryKey().c_str(), u"DisplayName", kDisplayName);
    os::SetMachineString(folder_->RegistryKey().c_str(), u"DisplayVersion", u"1.2.3.4");
    context_ = OpenConfigContext(folder_->class_id().c_str());
    ASSERT_NE(context_, nullptr);
  }

  std::u16string TempFolder() const {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring text(temp);
    return std::u16string(text.begin(), text.end());
  }
  std::u16string WorkFolder() const { return UpdateWorkFolder(TempFolder(), folder_->class_id()); }

  void ServeList(const ListValues& values) {
    HttpRoute route;
    route.path = "/list";
    route.body = ListText(values);
    server_.Route(route);
  }
  void ServeZip(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    HttpRoute route;
    route.path = path;
    route.body.assign(bytes.begin(), bytes.end());
    server_.Route(route);
  }

  // The check as the check thread runs it; the worker is kept for a run.
  std::string Check() {
    worker_ = UpdateWorker{};
    worker_.clear_pause_milliseconds = 0;
    RecordingSink sink(context_);
    EXPECT_TRUE(InitUpdateWorker(*context_, worker_, sink));
    RunUpdateCheck(*context_, worker_, sink);
    return sink.log();
  }
  std::string Run(UpdateRunEnd* end = nullptr) {
    RecordingSink sink(context_);
    const UpdateRunEnd result = RunUpdate(*context_, worker_, sink);
    if (end) *end = result;
    return sink.log();
  }

  std::vector<std::uint8_t> DataPackage(const std::uint8_t (&identifier)[16]) const {
    lz::test::TableOptions options;
    std::memcpy(options.identifier, identifier, 16);
    const std::vector<std::uint8_t> main =
        lz::test::BuildCodeTable({{"a", "\xE5\xB7\xA5", lz::test::RecordFlags(1, 1)},
                                  {"c", "\xE6\x96\xB0", lz::test::RecordFlags(1, 1)}},  // 工, 新
                                 options);
    return MakeZip({{"$dataFiles$/main.dmg", main}});
  }

  LoopbackHttpServer server_;
  std::unique_ptr<lz::test::InstalledFolder> folder_;
  ConfigContext* context_ = nullptr;
  UpdateWorker worker_;
};

TEST_F(OnlineUpdateTest, RequestCarriesVersionIdentifierMachineAndDataVersion) {
  Install(Template());
  ServeList({});
  Check();
  std::string guid;
  for (char16_t c : folder_->class_id()) {
    if (c != u'{' && c != u'}' && c != u'-') guid += static_cast<char>(c);
  }
  const std::vector<std::string> lines = server_.RequestLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "GET /list?v=1.2.3.4&g=" + guid + "&m=" + Md5Hex(" 0 a 5ff1234") + "&d=7 HTTP/1.1");
}

TEST_F(OnlineUpdateTest, EmptyTemplateMakesNoRequest) {
  Install("");
  EXPECT_EQ(Check(), std::string(kStart) + "当前软件尚未支持更新功能。\r\n" + kNoServer);
  EXPECT_TRUE(server_.RequestLines().empty());
}

struct CheckCase {
  const char* name;
  int status;           // 0: no route
  bool cut;             // the list ends early
  ListValues values;
  std::string expected;  // after the start line
  bool reset = false;    // with cut: the connection is reset rather than closed
  std::size_t padding = 0;  // bytes of blanks after the list
};

class CheckLogTest : public OnlineUpdateTest, public testing::WithParamInterface<CheckCase> {};

TEST_P(CheckLogTest, LogsWhatTheServerSaid) {
  const CheckCase& c = GetParam();
  Install(Template());
  if (c.status != 0) {
    HttpRoute route;
    route.path = "/list";
    route.status = c.status;
    route.reason = c.status == 200 ? "OK" : "Other";
    route.body = ListText(c.values) + std::string(c.padding, ' ');
    if (c.cut) route.cut_after = 40;
    route.reset = c.reset;
    server_.Route(route);
  }
  EXPECT_EQ(Check(), std::string(kStart) + c.expected);
  if (c.status != 200 || c.cut) {
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(TempFolder()) / "update_list.txt"));
  }
}

ListValues Values(const char* soft_version, int data_version, int min_soft) {
  ListValues values;
  values.soft_version = soft_version;
  values.data_version = data_version;
  values.data_min_soft_version = min_soft;
  values.soft_url = "http://127.0.0.1/setup.zip";
  return values;
}

INSTANTIATE_TEST_SUITE_P(
    Replies, CheckLogTest,
    testing::Values(
        CheckCase{"NotFound", 0, false, {}, std::string("无法访问的URL，错误代码：404\r\n") + kNoServer},
        CheckCase{"NoContent", 204, false, {}, std::string("无法访问的URL，错误代码：204\r\n") + kNoServer},
        CheckCase{"CutList", 200, true, {}, kNoServer},
        CheckCase{"ResetList", 200, true, {}, kNoServer, true},
        CheckCase{"ListOverOneMegabyte", 200, false, {}, kNoServer, false, std::size_t{1} << 20},
        CheckCase{"NoSoftVersion", 200, false, Values("", 9, 5), kNoServer},
        CheckCase{"ProgramUpdate", 200, false, Values("2.0.0.1", 9, 6),
                  "服务器存在新版本的安装程序, 版本号:2.0.0.1\r\n更新内容如下: \r\n新词 \r\n修正\r\n下载地址: "
                  "http://127.0.0.1/setup.zip\r\n"},
        CheckCase{"DataUpdate", 200, false, Values("2.0.0.1", 9, 5),
                  "服务器存在新版本输入法数据\r\n服务器数据版本:9\r\n本地数据版本:7\r\n"},
        CheckCase{"UpToDate", 200, false, Values("2.0.0.1", 7, 5), "您的程序是最新版本, 无需更新.\r\n"}),
    [](const testing::TestParamInfo<CheckCase>& row) { return std::string(row.param.name); });

TEST_F(OnlineUpdateTest, ProgramUpdateStartsTheSignedInstallerAndKeepsItsFolder) {
  Install(Template());
  os::SetSignatureChecker(TrustEverything, nullptr);
  ListValues values = Values("2.0.0.1", 9, 6);
  values.soft_url = server_.Url("/setup.zip");
  ServeList(values);
  ServeZip("/setup.zip", MakeZip({{"setup.exe", MarkerProgram()}, {"readme/notes.txt", Bytes("x")}}));
  Check();
  ASSERT_EQ(worker_.mode, UpdateMode::kProgram);
  UpdateRunEnd end{};
  const std::string log = Run(&end);
  EXPECT_NE(log.find("\r\n更新成功\r\n"), std::string::npos) << log;
  EXPECT_EQ(end, UpdateRunEnd::kInstallerStarted);
  const std::filesystem::path work(WorkFolder());
  EXPECT_TRUE(WaitForFile(work / "ran.txt"));
  EXPECT_TRUE(std::filesystem::exists(work / "readme" / "notes.txt"));
}

TEST_F(OnlineUpdateTest, UnsignedInstallerIsRefusedByTheSystemCheck) {
  Install(Template());
  std::vector<os::ProgramStart> starts;
  os::SetProgramStartSink([](const os::ProgramStart& start, void* c) {
    static_cast<std::vector<os::ProgramStart>*>(c)->push_back(start);
  }, &starts);
  ListValues values = Values("2.0.0.1", 9, 6);
  values.soft_url = server_.Url("/setup.zip");
  ServeList(values);
  ServeZip("/setup.zip", MakeZip({{"setup.exe", MarkerProgram()}}));
  Check();
  UpdateRunEnd end{};
  const std::string log = Run(&end);
  EXPECT_NE(log.find("数字签名"), std::string::npos) << log;
  EXPECT_NE(log.find("\r\n更新失败\r\n"), std::string::npos) << log;
  EXPECT_EQ(end, UpdateRunEnd::kKeepDialog);
  EXPECT_TRUE(starts.empty());
}

struct BadPackage {
  const char* name;
  std::vector<ZipMember> members;
  bool truncate;
  const char* logged;
};

class BadPackageTest : public OnlineUpdateTest, public testing::WithParamInterface<BadPackage> {};

TEST_P(BadPackageTest, FailsAndWritesNothingOutsideTheWorkFolder) {
  const BadPackage& c = GetParam();
  Install(Template());
  os::SetSignatureChecker(TrustEverything, nullptr);
  std::vector<os::ProgramStart> starts;
  os::SetProgramStartSink([](const os::ProgramStart& start, void* context) {
    static_cast<std::vector<os::ProgramStart>*>(context)->push_back(start);
  }, &starts);
  ListValues values = Values("2.0.0.1", 9, 6);
  values.soft_url = server_.Url("/setup.zip");
  ServeList(values);
  std::vector<std::uint8_t> zip = MakeZip(c.members);
  if (c.truncate) zip.resize(zip.size() / 2);
  ServeZip("/setup.zip", zip);
  Check();
  UpdateRunEnd end{};
  const std::string log = Run(&end);
  EXPECT_NE(log.find(c.logged), std::string::npos) << log;
  EXPECT_EQ(end, UpdateRunEnd::kKeepDialog);
  EXPECT_TRUE(starts.empty());
  const std::filesystem::path temp(TempFolder());
  EXPECT_FALSE(std::filesystem::exists(temp / "x"));
  EXPECT_FALSE(std::filesystem::exists(temp / folder_->class_id() / "x"));
  EXPECT_FALSE(std::filesystem::exists("C:/x"));
}

INSTANTIATE_TEST_SUITE_P(
    Packages, BadPackageTest,
    testing::Values(BadPackage{"NoInstaller", {{"other.exe", Bytes("MZ")}}, false, "\r\n更新失败\r\n"},
                    BadPackage{"Truncated", {{"setup.exe", std::vector<std::uint8_t>(4000, 7), false}}, true,
                               "解压文件发生错误"},
                    BadPackage{"ParentStep", {{"setup.exe", Bytes("MZ")}, {"../x", Bytes("x")}}, false,
                               "解压文件发生错误"},
                    BadPackage{"DriveName", {{"setup.exe", Bytes("MZ")}, {"C:/x", Bytes("x")}}, false,
                               "解压文件发生错误"},
                    BadPackage{"LongName", {{"setup.exe", Bytes("MZ")}, {std::string(64, 'n'), Bytes("x")}}, false,
                               "解压文件发生错误"},
                    BadPackage{"CaseVariant", {{"setup.exe", Bytes("MZ")}, {"SETUP.EXE", Bytes("x")}}, false,
                               "解压文件发生错误"},
                    BadPackage{"TrailingDot", {{"setup.exe", Bytes("MZ")}, {"setup.exe.", Bytes("x")}}, false,
                               "解压文件发生错误"},
                    BadPackage{"TrailingBlank", {{"setup.exe", Bytes("MZ")}, {"setup.exe ", Bytes("x")}}, false,
                               "解压文件发生错误"},
                    BadPackage{"SameNameTwice", {{"setup.exe", Bytes("MZ")}, {"setup.exe", Bytes("x")}}, false,
                               "解压文件发生错误"}),
    [](const testing::TestParamInfo<BadPackage>& row) { return std::string(row.param.name); });

// Maps main.dmg as a running text service would, says so, and after the go file appears maps it again
// and looks for the update's new word 新: 0 when found.
LZ_CHILD_MODE(map_main_until_go) {
  if (args.size() < 3) return 3;
  const std::u16string path = U16(args[0]);
  MappedFile* table = nullptr;
  if (OpenMappedFile(path.c_str(), &table) <= 0) return 4;
  lz::test::WriteFileBytes(std::filesystem::path(U16(args[1])), {1});
  const std::filesystem::path go(U16(args[2]));
  for (int tries = 0; tries < 3000 && !std::filesystem::exists(go); ++tries) Sleep(20);
  ReopenMappedFile(table);
  bool found = false;
  for (std::uint32_t i = 0; i < RecordCount(table) && !found; ++i) {
    CodeTableRecord record;
    char16_t text[300] = {};
    found = RecordAt(table, static_cast<std::int32_t>(i), record) && RecordText(record, text) > 0 &&
            std::u16string(text) == u"新";
  }
  CloseMappedFile(table);
  return found ? 0 : 2;
}

TEST_F(OnlineUpdateTest, DataUpdateKeepsUserWordsWhileAnotherProcessMapsTheTable) {
  Install(Template());
  ListValues values = Values("2.0.0.1", 9, 5);
  values.data_url = server_.Url("/data.zip");
  ServeList(values);
  ServeZip("/data.zip", DataPackage(folder_->identifier()));
  const std::filesystem::path main = folder_->data() / "main.dmg";
  lz::test::TempFolder signals;
  lz::test::ChildProcess child;
  ASSERT_TRUE(lz::test::StartChild({"map_main_until_go", Utf8(main.u16string()), Utf8(signals.File("ready")),
                                    Utf8(signals.File("go"))},
                                   child));
  ASSERT_TRUE(WaitForFile(signals.path() / "ready"));
  Check();
  ASSERT_EQ(worker_.mode, UpdateMode::kData);
  UpdateRunEnd end{};
  const std::string log = Run(&end);
  lz::test::WriteFileBytes(signals.path() / "go", {1});
  EXPECT_EQ(lz::test::WaitChild(child), 0);
  EXPECT_NE(log.find("\r\n更新成功\r\n"), std::string::npos) << log;
  EXPECT_EQ(end, UpdateRunEnd::kDataDone);
  const std::vector<std::u16string> words = Words(main);
  EXPECT_TRUE(Contains(words, u"新"));
  EXPECT_TRUE(Contains(words, u"用户"));
  // The versions: in the soft block the context sees, in config.dsc, and in the three registry keys.
  EXPECT_EQ(ReadFieldText(context_->engine->blocks.soft, soft_block::kDisplayVersion, 96), u"2.0.0.1");
  std::uint32_t data_version = 0;
  context_->engine->blocks.soft.ReadU32(soft_block::kDataVersion, data_version);
  EXPECT_EQ(data_version, 9u);
  std::vector<std::uint8_t> store = lz::test::ReadFileBytes(folder_->data() / "config.dsc");
  const ByteView soft = FindConfigBlock(ByteView{store.data(), static_cast<std::uint32_t>(store.size())},
                                        config_store::kSoftBlockName);
  EXPECT_EQ(ReadFieldText(soft, soft_block::kDisplayVersion, 96), u"2.0.0.1");
  // The user's words and settings were also saved where an upgrade saves them.
  wchar_t documents[MAX_PATH] = {};
  ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, 0, documents)));
  const std::filesystem::path backup = std::filesystem::path(documents) / L"[ 兰卓测试 ]";
  bool word_backup = false, settings_backup = false;
  for (const auto& entry : std::filesystem::directory_iterator(backup)) {
    const std::wstring file = entry.path().filename().wstring();
    word_backup = word_backup || file.rfind(L"导出 - 用户词条(", 0) == 0;
    settings_backup = settings_backup || file.rfind(L"backup.config(", 0) == 0;
  }
  EXPECT_TRUE(word_backup);
  EXPECT_TRUE(settings_backup);
  const std::u16string keys[] = {folder_->RegistryKey(),
                                 u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Q4" + folder_->class_id(),
                                 u"Software\\Wow6432Node\\LanzoIME4\\" + folder_->class_id()};
  for (const std::u16string& key : keys) {
    char16_t version[64] = {};
    EXPECT_TRUE(os::ReadMachineString(key.c_str(), u"DisplayVersion", version, 64)) << Utf8(key);
    EXPECT_EQ(std::u16string(version), u"2.0.0.1") << Utf8(key);
  }
}

// Marks a file read-only while other handles keep it open and mapped (SetFileAttributesW would open it
// without sharing).
bool SetReadOnly(const std::filesystem::path& path, bool read_only) {
  HANDLE file = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  FILE_BASIC_INFO info{};
  bool ok = GetFileInformationByHandleEx(file, FileBasicInfo, &info, sizeof info) != 0;
  info.FileAttributes = read_only ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
  ok = ok && SetFileInformationByHandle(file, FileBasicInfo, &info, sizeof info) != 0;
  CloseHandle(file);
  return ok;
}

struct RefusedData {
  const char* name;
  bool other_identifier;
  bool read_only;
};

class RefusedDataTest : public OnlineUpdateTest, public testing::WithParamInterface<RefusedData> {};

TEST_P(RefusedDataTest, ChangesNoFileAndNoVersion) {
  const RefusedData& c = GetParam();
  Install(Template());
  ListValues values = Values("2.0.0.1", 9, 5);
  values.data_url = server_.Url("/data.zip");
  ServeList(values);
  std::uint8_t identifier[16];
  std::memcpy(identifier, folder_->identifier(), 16);
  if (c.other_identifier) identifier[0] ^= 0xFF;
  ServeZip("/data.zip", DataPackage(identifier));
  const std::filesystem::path main = folder_->data() / "main.dmg";
  if (c.read_only) {
    ASSERT_TRUE(SetReadOnly(main, true));
    ASSERT_NE(GetFileAttributesW(main.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  }
  const std::vector<std::uint8_t> main_before = lz::test::ReadFileBytes(main);
  const std::vector<std::uint8_t> store_before = lz::test::ReadFileBytes(folder_->data() / "config.dsc");
  Check();
  ASSERT_EQ(worker_.mode, UpdateMode::kData);
  const std::string log = Run();
  if (c.read_only) SetReadOnly(main, false);
  EXPECT_NE(log.find("\r\n更新失败\r\n"), std::string::npos) << log;
  EXPECT_EQ(lz::test::ReadFileBytes(main), main_before);
  EXPECT_EQ(lz::test::ReadFileBytes(folder_->data() / "config.dsc"), store_before);
  char16_t version[64] = {};
  os::ReadMachineString(folder_->RegistryKey().c_str(), u"DisplayVersion", version, 64);
  EXPECT_EQ(std::u16string(version), u"1.2.3.4");
}

INSTANTIATE_TEST_SUITE_P(Packages, RefusedDataTest,
                         testing::Values(RefusedData{"OtherIdentifier", true, false},
                                         RefusedData{"ReadOnlyDestination", false, true}),
                         [](const testing::TestParamInfo<RefusedData>& row) { return std::string(row.param.name); });

// The dialog as "/do update" opens it, driven from a second thread.
TEST_F(OnlineUpdateTest, DialogStaysWhileItsThreadRunsAndAnotherDialogBringsItForward) {
  Install(Template());
  os::SetSignatureChecker(TrustEverything, nullptr);
  ListValues values = Values("2.0.0.1", 9, 6);
  values.soft_url = server_.Url("/setup.zip");
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<bool> held{false};
  HttpRoute route;
  route.path = "/list";
  route.body = ListText(values);
  route.before_reply = [released, &held] {
    held = true;
    released.wait();
  };
  server_.Route(route);
  ServeZip("/setup.zip", MakeZip({{"setup.exe", MarkerProgram()}}));

  const std::wstring title = L"检查更新 - 兰卓测试";
  std::atomic<bool> esc_ignored{false}, second_returned{false}, closed_itself{false};
  std::thread driver([&] {
    HWND dialog = nullptr;
    for (int tries = 0; tries < 1000 && !(dialog = FindWindowW(L"#32770", title.c_str())); ++tries) Sleep(20);
    for (int tries = 0; tries < 1000 && !held; ++tries) Sleep(20);
    if (dialog && held) {
      PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
      PostMessageW(dialog, WM_CLOSE, 0, 0);
      PostMessageW(GetDlgItem(dialog, IDC_UPDATE_LOG), WM_KEYDOWN, VK_ESCAPE, 0);
      SendMessageW(dialog, WM_NULL, 0, 0);  // the posted messages have been handled
      Sleep(200);
      esc_ignored = IsWindow(dialog) != 0;
      second_returned = RunUpdateDialog(GetModuleHandleW(nullptr), context_, nullptr) == IDCANCEL;
    }
    release.set_value();
    if (!dialog) return;
    // The check ends: button 1 offers the program update.
    for (int tries = 0; tries < 1000 && !IsWindowEnabled(GetDlgItem(dialog, IDOK)); ++tries) Sleep(20);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    for (int tries = 0; tries < 1500 && IsWindow(dialog); ++tries) Sleep(20);
    closed_itself = !IsWindow(dialog);
    if (IsWindow(dialog)) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  const std::u16string line = u"/n " + folder_->class_id() + u" /do update";
  RunConfig(GetModuleHandleW(nullptr), reinterpret_cast<const wchar_t*>(line.c_str()));
  driver.join();
  EXPECT_TRUE(esc_ignored);
  EXPECT_TRUE(second_returned);
  EXPECT_TRUE(closed_itself);
  EXPECT_TRUE(WaitForFile(std::filesystem::path(WorkFolder()) / "ran.txt"));
}

}  // namespace
}  // namespace lz::config
