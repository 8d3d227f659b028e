#pragma once
// The add-in as a simulated host loads it in the native build: the host's connection
// notifications go straight to a Connect object, as they reach it through _IDTExtensibility2 in
// the DLL; a host with a ribbon reaches the Lockfolio tab's XML and callbacks by name, as it
// reaches them through IRibbonExtensibility and Connect's IDispatch in the DLL.

#include <functional>
#include <map>

#include "addin/connect.h"
#include "automation/dispatch.h"
#include "platform/text.h"
#include "ribbon/custom_ui.h"
#include "ribbon/lockfolio_ribbon.h"
#include "sim/com_add_in.h"

namespace app {

class NativeAddIn : public sim::ComAddIn, private sim::RibbonExtensibility {
 public:
  NativeAddIn(const platform::Platform& platform, automation::ObjectFactory& objects)
      : connect_(platform, objects), ribbon_(connect_, platform, objects) {}

  void OnConnection(automation::Object application, std::int32_t connectMode, automation::Object addInInst,
                    automation::Variant& custom) override {
    connect_.AddinInstance_OnConnection(application, connectMode, addInInst, custom);
  }
  void OnDisconnection(std::int32_t removeMode, automation::Variant& custom) override {
    connect_.AddinInstance_OnDisconnection(removeMode, custom);
  }
  sim::RibbonExtensibility* queryRibbonExtensibility() override { return this; }

  addin::Connect& connect() { return connect_; }
  addin::ClassAddIn& addIn() { return connect_.addIn(); }
  ribbon::LockfolioRibbon& ribbon() { return ribbon_; }

 private:
  using Callback = std::function<automation::Variant(std::vector<automation::Arg>&)>;

  // The members of Connect's dispatch interface, as its type library gives them to the DLL's
  // standard dispatcher.
  static automation::Object control(std::vector<automation::Arg>& args) {
    if (args.size() != 1) {
      throw automation::ComError(automation::dispatch_errors::kBadParameterCount, L"Invalid number of parameters.");
    }
    return args[0].value().toObject();
  }
  std::map<std::wstring, Callback> callbacks() {
    return {
        {platform::foldCase(ribbon::kOnLoad), [this](auto& args) { ribbon_.OnLoad(control(args)); return automation::Variant(); }},
        {platform::foldCase(ribbon::kOnAction), [this](auto& args) { ribbon_.OnAction(control(args)); return automation::Variant(); }},
        {platform::foldCase(ribbon::kGetEnabled), [this](auto& args) { return automation::Variant(ribbon_.GetEnabled(control(args))); }},
        {platform::foldCase(ribbon::kGetImage), [this](auto& args) { return automation::Variant(ribbon_.GetImage(control(args))); }},
    };
  }
  const Callback* callback(const std::wstring& name) const {
    const auto found = callbacks_.find(platform::foldCase(name));
    return found == callbacks_.end() ? nullptr : &found->second;
  }

  std::wstring GetCustomUI(const std::wstring& ribbonId) override { return ribbon_.GetCustomUI(ribbonId); }
  automation::Variant invokeCallback(const std::wstring& name, std::vector<automation::Arg>& args) override {
    const Callback* found = callback(name);
    if (!found) throw automation::ComError(static_cast<std::int32_t>(0x80020006u), L"Unknown name.");  // DISP_E_UNKNOWNNAME
    return (*found)(args);
  }

  addin::Connect connect_;
  ribbon::LockfolioRibbon ribbon_;
  std::map<std::wstring, Callback> callbacks_ = callbacks();
};

}  // namespace app
