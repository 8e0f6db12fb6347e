#include "textservice/windows/menus.h"

#include <algorithm>

#include "textservice/engine/engine_instance.h"
#include "textservice/engine/ime_block.h"

namespace lz {
namespace {

constexpr std::uint32_t kPinnedRecord = 0x2;
constexpr std::size_t kMenuNameUnits = 32;        // scheme names in the scheme items
constexpr std::size_t kSkinNameUnits = 39;        // the skin block's skin name, less its terminator

MenuItem Item(std::u16string_view text, std::uint32_t id, bool checked = false) {
  MenuItem item;
  SetMenuItem(item, text, id, 0, {}, checked ? menu_state::kChecked : 0);
  return item;
}

MenuItem Separator() {
  MenuItem item;
  SetMenuItem(item, u"-", 0, menu_flag::kSeparator);
  return item;
}

MenuItem Popup(std::u16string_view text, std::uint32_t id, Menu submenu) {
  MenuItem item;
  SetMenuItem(item, text, id, menu_flag::kPopup, std::move(submenu));
  return item;
}

std::u16string Cut(std::u16string_view s, std::size_t units) { return std::u16string(s.substr(0, units)); }

char16_t FoldAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c; }

}  // namespace

void SetMenuItem(MenuItem& item, std::u16string_view text, std::uint32_t id, std::uint32_t flags, Menu submenu,
                 std::uint32_t state) {
  const std::size_t n = std::min<std::size_t>(text.size(), kMenuTextUnits - 1);
  std::copy_n(text.data(), n, item.text);
  item.text[n] = 0;
  item.id = id;
  item.flags = flags;
  item.submenu = std::move(submenu);
  item.state = state;
}

Menu BuildOutputOptionsMenu(const MenuContext& c) {
  const std::uint32_t m = c.mode;
  Menu menu;
  menu.push_back(Item(u"全角", 13, m & mode::kFullWidth));
  menu.push_back(Item(u"半角", 14, !(m & mode::kFullWidth)));
  menu.push_back(Separator());
  menu.push_back(Item(u"中文标点(&Z)", 18, !(m & mode::kEnglishPunctuation)));
  menu.push_back(Item(u"英文标点(&Y)", 17, m & mode::kEnglishPunctuation));
  if (c.traditional_table) {
    menu.push_back(Separator());
    menu.push_back(Item(u"繁体输出(&F)", 16, c.ime_flags & ime_block::kTraditionalOutput));
  } else if (c.simplified_table) {
    menu.push_back(Separator());
    menu.push_back(Item(u"简体输出(&J)", 15, c.ime_flags & ime_block::kSimplifiedOutput));
  }
  menu.push_back(Separator());
  menu.push_back(Item((m & mode::kClosed) ? u"开启输入法(&O)" : u"关闭输入法(&C)", 41));
  return menu;
}

Menu BuildSoftKeyboardMenu(const MenuContext& c) {
  static constexpr const char16_t* kLayouts[] = {
      u"&1   PC 键盘",   u"&2   希腊字母", u"&3   俄文字母",   u"&4   注音符号",   u"&5   拼音符号",
      u"&6   日文平假名", u"&7   日文片假名", u"&8   标点符号", u"&9   数字序号", u"&10  数学符号",
      u"&11  制表符号",  u"&12  单位符号",  u"&13  特殊符号"};
  Menu menu;
  for (int n = 1; n <= 13; ++n) {
    menu.push_back(Item(kLayouts[n - 1], menu_id::kFirstSoftKeyboard + static_cast<std::uint32_t>(n) - 1,
                        c.soft_keyboard_layout == n));
  }
  menu.push_back(Separator());
  menu.push_back(Item(u"&C 关闭软键盘", menu_id::kCloseSoftKeyboard));
  menu.push_back(Item(u"&E 取消", 0));
  return menu;
}

Menu BuildSkinMenu(const MenuContext& c) {
  Menu menu;
  std::uint32_t id = menu_id::kFirstSkin;
  for (const SkinChoice& skin : c.skins) {
    // The configured name is a file name: a path that merely contains it ("a.col" in "aa.col") is
    // another skin. The built-in skin has no file name at all, and a skin folder's first skin may be in
    // use under an empty name, so the loaded skin's own source decides when it is known.
    const bool in_use = c.skin_in_use.empty() ? SameNameIgnoringCase(PathFileName(skin.path), c.skin_name)
                                              : SameNameIgnoringCase(skin.path, c.skin_in_use);
    menu.push_back(Item(skin.display_name, id++, in_use));
  }
  return menu;
}

Menu BuildMainMenu(const MenuContext& c) {
  const std::uint32_t f = c.ime_flags;
  Menu menu;
  menu.push_back(Item(u"属性设置(&S)", menu_id::kSettings));
  if (!c.user_words.empty()) menu.push_back(Item(u"添加用户词(&M)", menu_id::kAddUserWord));
  menu.push_back(Separator());
  if (!c.auxiliary_scheme.empty()) {
    const std::u16string main = Cut(c.main_scheme, kMenuNameUnits);
    const std::u16string aux = Cut(c.auxiliary_scheme, kMenuNameUnits);
    const bool main_on = f & ime_block::kSchemeMain;
    const bool aux_on = f & ime_block::kSchemeAuxiliary;
    menu.push_back(Popup(u"输入方案(&P)", menu_id::kSchemes,
                         {Item(main + u"+" + aux, 5, main_on && aux_on), Item(main, 6, main_on && !aux_on),
                          Item(aux, 7, !main_on)}));
  }
  if (!c.secondary_table.empty()) {
    const std::u16string& name = c.secondary_table;
    const bool always = f & ime_block::kAlwaysSearchSecondary;
    const bool when_empty = f & ime_block::kSearchSecondaryWhenEmpty;
    menu.push_back(Popup(u"码表检索(&R)", menu_id::kSecondarySearch,
                         {Item(u"检索 " + name, 9, always), Item(u"不检索 " + name, 10, !always && !when_empty),
                          Item(u"候选为空时检索 " + name, 11, when_empty && !always)}));
  }
  menu.push_back(Popup(u"上屏选项(&O)", menu_id::kOutputOptions, BuildOutputOptionsMenu(c)));
  menu.push_back(Popup(u"软键盘(&K)", menu_id::kSoftKeyboards, BuildSoftKeyboardMenu(c)));
  menu.push_back(Separator());
  Menu help{Item(u"首页(&I)", 37), Item(u"键位图(&T)", 38)};
  if (c.update_check) {
    help.push_back(Separator());
    help.push_back(Item(u"检查更新(&U)\t...", menu_id::kUpdateCheck));
  }
  help.push_back(Separator());
  help.push_back(Item(u"关于本程序(&A)", 35));
  menu.push_back(Popup(u"帮助(&H)", menu_id::kHelp, std::move(help)));
  Menu skins = BuildSkinMenu(c);
  if (!skins.empty()) menu.push_back(Popup(u"皮肤(&F)", menu_id::kSkins, std::move(skins)));
  menu.push_back(Separator());
  MenuItem status;
  SetMenuItem(status, (f & ime_block::kHideStatusWindow) ? u"显示状态栏窗口(&R)" : u"隐藏状态栏窗口(&R)",
              menu_id::kStatusWindow, menu_flag::kRightJustify);
  menu.push_back(std::move(status));
  menu.push_back(Separator());
  menu.push_back(Item(u"取消(&C)", 0));
  return menu;
}

Menu BuildCandidateMenu(const MenuContext& c, const CandidateMenuSubject& subject) {
  if (subject.kind != kind::kMain) return {};
  Menu menu{Item(u"前移一位(&U)", 45), Item(u"移至首位(&P)", 47), Item(u"后移一位(&D)", 46),
            Item(u"移至末尾(&E)", 48), Separator(), Item(u"固顶词条(&F)", 49, subject.record_flags & kPinnedRecord)};
  if (!c.secondary_table.empty() && (subject.record_class == 3 || subject.record_class == 1)) {
    menu.push_back(Item(u"归入" + c.secondary_table + u"(&S)", 51, subject.record_class == 3));
  }
  menu.push_back(Separator());
  menu.push_back(Item(u"删除词条(&R)", 50));
  menu.push_back(Separator());
  menu.push_back(Item(u"取消(&C)", 0));
  return menu;
}

std::optional<UiCall> MenuCommandFor(std::uint32_t id, std::int32_t slot) {
  auto call = [](std::uint32_t command, std::int32_t number = 0, std::int32_t argument = 0) {
    return std::optional<UiCall>(UiCall{command, number, argument});
  };
  switch (id) {
    case 1: return call(1);
    case 2: return call(8);
    case 3: return call(8201);
    case 5: case 6: case 7: return call(8208, static_cast<std::int32_t>(id) - 5);
    case 9: case 10: case 11: return call(8209, static_cast<std::int32_t>(id) - 9);
    case 13: return call(8193);
    case 14: return call(8194);
    case 15: return call(8198);
    case 16: return call(8197);
    case 17: return call(8195);
    case 18: return call(8196);
    case 33: return call(513, 0, 22);
    case 35: return call(4);
    case 37: return call(5);
    case 38: return call(3);
    case 39: return call(9);
    case 41: return call(261);
    case 42: return call(259);
    case 43: return call(260);
    case 45: return call(514, 1, slot);
    case 46: return call(514, 2, slot);
    case 47: return call(514, 3, slot);
    case 48: return call(514, 4, slot);
    case 49: return call(514, 5, slot);
    case 50: return call(514, 7, slot);
    case 51: return call(514, 6, slot);
    default: break;
  }
  if (id >= 20 && id <= 32) return call(513, static_cast<std::int32_t>(id) - 19, 22);
  return std::nullopt;
}

std::u16string_view PathFileName(std::u16string_view path) {
  const std::size_t slash = path.find_last_of(u'\\');
  return slash == std::u16string_view::npos ? path : path.substr(slash + 1);
}

bool SameNameIgnoringCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) { return FoldAscii(x) == FoldAscii(y); });
}

std::optional<std::u16string> SkinNameToSelect(std::u16string_view chosen_path, std::u16string_view skin_name) {
  const std::u16string_view name = PathFileName(chosen_path);
  if (SameNameIgnoringCase(name, skin_name)) return std::nullopt;
  return Cut(name, kSkinNameUnits);
}

}  // namespace lz
