#include "textservice/windows/skin_fonts_win32.h"

#include <string>

#include "platform/os/native_path.h"
#include "textservice/engine/block_fields.h"
#include "textservice/engine/skin_block.h"

namespace lz {
namespace {

constexpr int kDesignDpi = 96;
constexpr int kRotatedEscapement = 2700;  // a quarter turn: the text runs downwards

int CALLBACK FontFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool FaceExists(HDC dc, const std::wstring& face) {
  bool found = false;
  EnumFontsW(dc, face.c_str(), FontFound, reinterpret_cast<LPARAM>(&found));
  return found;
}

HFONT MakeFont(const SkinFont& group, int height, int escapement, const wchar_t* face) {
  const auto extra = static_cast<std::uint32_t>(group.reserved[0]);
  return CreateFontW(height, 0, escapement, escapement, group.weight, (extra & 0xFF) != 0,
                     ((extra >> 8) & 0xFF) != 0, ((extra >> 16) & 0xFF) != 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, PROOF_QUALITY, DEFAULT_PITCH, face);
}

}  // namespace

void DestroySkinFonts(UiState* ui) {
  if (ui->code_font) DeleteObject(static_cast<HFONT>(ui->code_font));
  if (ui->candidate_font) DeleteObject(static_cast<HFONT>(ui->candidate_font));
  ui->code_font = nullptr;
  ui->candidate_font = nullptr;
}

void CreateSkinFonts(UiState* ui, const EngineInstance* engine) {
  if (!ui) return;
  HWND desktop = GetDesktopWindow();
  HDC screen = GetDC(desktop);
  ui->screen_dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : kDesignDpi;
  if (ui->screen_dpi <= 0) ui->screen_dpi = kDesignDpi;
  DestroySkinFonts(ui);
  const SkinFonts fonts = SelectSkinFonts(engine);
  ui->code_font = MakeFont(fonts.code, MulDiv(fonts.code.size, ui->screen_dpi, kDesignDpi), 0,
                           os::WidePtr(fonts.code.name));
  const std::uint32_t flags = BlockU32(engine->blocks.skin, skin_block::kFlags);
  if (StyleOf(flags) == CandidateStyle::kLeftVertical) {
    std::wstring face = L"@";
    face += os::WidePtr(fonts.candidate.name);
    if (!screen || !FaceExists(screen, face)) face = os::WidePtr(fonts.candidate.name);
    // The rotated font keeps the size as given: the column pitch of the skin is laid out for it.
    ui->candidate_font = MakeFont(fonts.candidate, fonts.candidate.size, kRotatedEscapement, face.c_str());
  } else {
    ui->candidate_font = MakeFont(fonts.candidate, MulDiv(fonts.candidate.size, ui->screen_dpi, kDesignDpi), 0,
                                  os::WidePtr(fonts.candidate.name));
  }
  if (screen) ReleaseDC(desktop, screen);
}

GdiTextMeasurer::GdiTextMeasurer(const UiState* ui) : ui_(ui), dc_(GetDC(nullptr)) {}

GdiTextMeasurer::~GdiTextMeasurer() {
  if (!dc_) return;
  if (original_font_) SelectObject(dc_, original_font_);
  ReleaseDC(nullptr, dc_);
}

TextSize GdiTextMeasurer::Measure(CandidateFont font, std::u16string_view text) const {
  if (!dc_ || text.empty()) return {0, 0};
  HFONT handle = font == CandidateFont::kCode ? CodeFont(ui_) : CandidateFontOf(ui_);
  HGDIOBJ previous = SelectObject(dc_, handle ? static_cast<HGDIOBJ>(handle) : GetStockObject(DEFAULT_GUI_FONT));
  if (!original_font_) original_font_ = previous;
  SIZE size{};
  GetTextExtentPoint32W(dc_, reinterpret_cast<const wchar_t*>(text.data()), static_cast<int>(text.size()), &size);
  return {size.cx, size.cy};
}

}  // namespace lz
