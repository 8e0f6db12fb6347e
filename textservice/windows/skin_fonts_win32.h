#pragma once
// The skin fonts of the windows: created from the skin's (or the skin block's) font groups at the
// screen's resolution, and the text measurer that the layout uses with them.
#include <windows.h>

#include "textservice/windows/candidate_layout.h"
#include "textservice/windows/ui_state.h"

namespace lz {

// Replaces the code and candidate fonts of the UI record. The candidate font of the left-vertical style
// is rotated (escapement 2700) and uses the "@" face when one exists.
void CreateSkinFonts(UiState* ui, const EngineInstance* engine);
void DestroySkinFonts(UiState* ui);

inline HFONT CodeFont(const UiState* ui) { return static_cast<HFONT>(ui->code_font); }
inline HFONT CandidateFontOf(const UiState* ui) { return static_cast<HFONT>(ui->candidate_font); }

// Measures with GetTextExtentPoint32W on a screen device context.
class GdiTextMeasurer : public TextMeasurer {
 public:
  explicit GdiTextMeasurer(const UiState* ui);
  ~GdiTextMeasurer() override;
  GdiTextMeasurer(const GdiTextMeasurer&) = delete;
  GdiTextMeasurer& operator=(const GdiTextMeasurer&) = delete;
  TextSize Measure(CandidateFont font, std::u16string_view text) const override;

 private:
  const UiState* ui_;
  HDC dc_;
  mutable HGDIOBJ original_font_ = nullptr;  // the screen context's own font, put back at the end
};

}  // namespace lz
