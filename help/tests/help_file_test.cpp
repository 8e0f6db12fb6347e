// The compiled help file as the programs open it: chmls (fp-utils) lists its topics, and every page
// that a command, the About page or the installer names is one of them.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "config/web/about_page.h"
#include "installer/dialog_texts.h"
#include "tests/support/data_folder.h"
#include "textservice/engine/engine_actions.h"
#include "textservice/engine/settings_store.h"

namespace lz {
namespace {

std::string RunChmls(const std::string& command) {
  const std::string line = std::string(LZ_CHMLS) + " " + command + " '" + LZ_HELP_FILE + "' 2>/dev/null";
  std::string out;
  if (FILE* pipe = popen(line.c_str(), "r")) {
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    pclose(pipe);
  }
  return out;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// Without the blanks and the terminating zero that chmls prints around a value.
std::string Trimmed(const std::string& s) {
  const std::string around(" \t\r\0", 5);
  const std::size_t first = s.find_first_not_of(around);
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(around) - first + 1);
}

// The pages of the help file: "<section> <offset> <size>  /name" lines of "chmls list".
std::set<std::string> HelpTopics() {
  std::set<std::string> topics;
  for (const std::string& line : Lines(RunChmls("list"))) {
    const std::size_t slash = line.find(" /");
    if (slash != std::string::npos && line.size() > slash + 2 && line[slash + 2] != '#' && line[slash + 2] != '$') {
      topics.insert(line.substr(slash + 2));
    }
  }
  return topics;
}

// The page that opens with the file itself (the help command, HelpLink and the help shortcut).
std::string DefaultTopic() {
  const std::string label = "Default topic from [options]";
  for (const std::string& line : Lines(RunChmls("printsystem"))) {
    if (line.find(label) == std::string::npos) continue;
    const std::size_t colon = line.find(':', line.find(label) + label.size());
    if (colon != std::string::npos) return Trimmed(line.substr(colon + 1));
  }
  return "";
}

// "mk:@MSITStore:<folder>main.chm::/<topic>" -> "<topic>", ASCII as the help file's page names are.
std::string TopicOf(std::u16string_view address) {
  const std::size_t mark = address.find(u"::/");
  std::string topic;
  for (const char16_t c : address.substr(mark == std::u16string_view::npos ? 0 : mark + 3)) {
    topic += static_cast<char>(c);
  }
  return topic;
}

std::string AboutPageTopic() {
  std::vector<std::uint8_t> store = test::BuildConfigStore();
  ConfigBlocks blocks{};
  FindConfigBlocks(ByteView{store.data(), static_cast<std::uint32_t>(store.size())}, blocks);
  return TopicOf(config::ReadAboutPage(blocks.soft, u"C:\\Lanzo\\").address);
}

TEST(HelpFileTest, OpensWithItsPages) {
  const std::set<std::string> topics = HelpTopics();
  for (const char* page : {"index.html", "keyboardmap.html", "About.html", "License.html"}) {
    EXPECT_TRUE(topics.count(page)) << page;
  }
}

TEST(HelpFileTest, EveryNamedPageIsInTheFile) {
  const std::set<std::string> topics = HelpTopics();
  const struct {
    const char* who;
    std::string topic;
  } cases[] = {
      {"the help command, HelpLink and the help shortcut", DefaultTopic()},
      {"the key-map command", TopicOf(kKeyboardMapTopic)},
      {"the About page", AboutPageTopic()},
      {"the agreement page without the payload's own page",
       TopicOf(installer::AgreementAddress(u"C:\\T\\zipdatas", false))},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(c.topic.empty()) << c.who;
    EXPECT_TRUE(topics.count(c.topic)) << c.who << " names " << c.topic;
  }
}

}  // namespace
}  // namespace lz
