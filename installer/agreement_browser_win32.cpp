#include "installer/setup_dialogs_win32.h"

namespace lz::installer {
namespace {

// Until the system's web control is hosted, the frame names the page.
class AddressBrowser : public AgreementBrowser {
 public:
  void Show(HWND frame, const std::u16string& address) override {
    SetWindowTextW(frame, reinterpret_cast<const wchar_t*>(address.c_str()));
  }
};

}  // namespace

std::unique_ptr<AgreementBrowser> MakeAgreementBrowser() { return std::make_unique<AddressBrowser>(); }

}  // namespace lz::installer
