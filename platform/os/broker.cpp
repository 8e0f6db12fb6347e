#include "platform/os/broker.h"

#ifdef _WIN32
#include "platform/os/broker_win32.h"
#endif

namespace os {
namespace {

thread_local bool t_broker_sending = false;
thread_local KeyActionScope* t_scope = nullptr;

}  // namespace

void SetBrokerSending(bool on) { t_broker_sending = on; }
bool BrokerSending() { return t_broker_sending; }

KeyActionScope::KeyActionScope() : outer_(t_scope) {
#ifdef _WIN32
  // A nested action keeps the broker of the one around it.
  if (t_broker_sending && !(outer_ && outer_->broker_)) broker_ = CreateBroker();
#endif
  t_scope = this;
}

KeyActionScope::~KeyActionScope() {
  t_scope = outer_;
#ifdef _WIN32
  ReleaseBroker(static_cast<IImeBroker*>(broker_));
#endif
}

void* CurrentActionBroker() {
  for (KeyActionScope* scope = t_scope; scope; scope = scope->outer_) {
    if (scope->broker_) return scope->broker_;
  }
  return nullptr;
}

#ifdef _WIN32

IImeBroker* CreateBroker() {
  IImeBroker* broker = nullptr;
  if (FAILED(CoCreateInstance(kImeBrokerClsid, nullptr, CLSCTX_LOCAL_SERVER, kImeBrokerIid,
                              reinterpret_cast<void**>(&broker)))) {
    return nullptr;
  }
  return broker;
}

void ReleaseBroker(IImeBroker* broker) {
  if (broker) broker->Release();
}

void SendKeyViaBroker(IImeBroker* broker, BYTE vk, BYTE scan, DWORD flags) {
  if (broker) {
    broker->SendKey(vk, scan, flags, 0);
  } else {
    keybd_event(vk, scan, flags, 0);
  }
}

INT_PTR LaunchViaBroker(const wchar_t* file, const wchar_t* parameters, const wchar_t* directory) {
  IImeBroker* broker = CreateBroker();
  if (!broker) return 0;
  INT_PTR result = 0;
  broker->LaunchProgram(file, parameters, directory, SW_SHOW, &result);
  ReleaseBroker(broker);
  return result;
}

#endif

}  // namespace os
