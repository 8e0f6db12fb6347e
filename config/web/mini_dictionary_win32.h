#pragma once
// 微型词典 (dialog 166): a word's related dictionary entries, its explanations and codes, a back/forward
// history, web look-ups, and words handed over by a second run through WM_COPYDATA. Searches run on worker
// threads; each posts its result with the generation it was started for, and only the newest is shown.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "config/app/config_context_win32.h"
#include "config/web/mini_dictionary.h"
#include "platform/dialogs/dialog_win32.h"

namespace lz::config {

constexpr wchar_t kDictionaryFontName[] = L"宋体";
constexpr int kDictionaryFontHeight = 18;
constexpr int kDictionaryIcon = 0x70;  // of the text-service library
constexpr UINT_PTR kBringForwardTimer = 1;
constexpr UINT kBringForwardDelayMs = 100;
constexpr int kExplanationRightMargin = 11;

class MiniDictionaryDialog : public dialogs::Dialog {
 public:
  // display_name: empty when it could not be read (the title then ends in "*").
  MiniDictionaryDialog(HINSTANCE module, ConfigContext* context, std::u16string display_name, std::u16string word);
  ~MiniDictionaryDialog() override;

  // Searches started and finished on worker threads, for tests that close the dialog during one.
  int searches_started() const { return started_.load(); }
  int searches_finished() const { return finished_.load(); }
  const DictionaryHistory& history() const { return history_; }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnNotify(const NMHDR& header, LRESULT& result) override;
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;
  void OnOk() override;
  void OnCancel() override;
  void OnDestroy() override;

 private:
  struct Job;
  struct Result;

  std::u16string FieldWord() const;
  void Search();                                  // button 1, Enter, history moves and hand-over
  void Start(Job job);                            // hands a job to a new worker thread
  static DWORD WINAPI Work(void* parameter);
  void Apply(Result* result);
  void ShowHistoryButtons();
  void LookUp(int command);
  void ShowLookupMenu();
  void Layout(int width, int height);
  void BringForwardLater();
  static DWORD WINAPI BringForward(void* window);
  void WaitForThreads();

  ConfigContext* context_;
  std::u16string display_name_;
  std::u16string word_;
  DictionaryHistory history_;
  std::vector<std::uint32_t> entries_;  // dict.dms record offsets the list shows
  std::atomic<std::uint32_t> generation_{0};
  std::mutex threads_lock_;
  std::vector<HANDLE> threads_;
  std::atomic<int> started_{0};
  std::atomic<int> finished_{0};
  HFONT font_ = nullptr;
  HICON big_icon_ = nullptr;
  HICON small_icon_ = nullptr;
  bool minimised_ = false;
  bool closing_ = false;
  // The layout's first client size and control places, which a resize keeps.
  SIZE first_client_{};
  RECT first_list_{}, first_explanation_{}, first_status_{}, first_codes_{};
};

// Runs the dictionary modally with the word (searched at once when not empty).
INT_PTR RunMiniDictionary(HINSTANCE module, ConfigContext* context, const std::u16string& display_name,
                          const std::u16string& word, HWND owner);

}  // namespace lz::config
