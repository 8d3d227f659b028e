#include "sim/fault_injection.h"

#include <utility>

namespace sim::faults {

using automation::Arg;
using automation::ComError;
using automation::Object;
using automation::Variant;

namespace {

ComError hresult(std::uint32_t code, const wchar_t* text) { return ComError(static_cast<std::int32_t>(code), text); }

const ComError kRejected = hresult(0x80010001u, L"Call was rejected by callee.");
const ComError kRetryLater = hresult(0x8001010Au, L"The message filter indicated that the application is busy.");
const ComError kDisconnected = hresult(0x80010108u, L"The object invoked has disconnected from its clients.");
const ComError kServerUnavailable = hresult(0x800706BAu, L"The RPC server is unavailable.");

std::wstring describe(std::wstring_view member, automation::InvokeKind kind, const std::vector<Arg>& args) {
  using automation::InvokeKind;
  std::wstring text = kind == InvokeKind::PropertyPut      ? L"put "
                      : kind == InvokeKind::PropertyPutRef ? L"putref "
                      : kind == InvokeKind::Method         ? L"call "
                                                           : L"get ";
  text += member.empty() ? L"(default)" : std::wstring(member);
  if (kind == InvokeKind::PropertyPut && !args.empty() && !args.back().value().isObject() &&
      !args.back().value().isArray()) {
    try {
      text += L" = " + args.back().value().toString();
    } catch (const ComError&) {
    }
  }
  return text;
}

Variant wrapValue(const Variant& value, const std::shared_ptr<FaultPlan>& plan, Seam seam) {
  return value.isObject() ? Variant(wrap(value.toObject(), plan, seam)) : value;
}

class FaultyObject;

// The object behind a wrapper, for arguments that go back to the host.
Object unwrapped(const Object& object);

class FaultyObject : public automation::Dispatchable {
 public:
  FaultyObject(std::shared_ptr<automation::Dispatchable> target, std::shared_ptr<FaultPlan> plan, Seam seam)
      : target_(std::move(target)), plan_(std::move(plan)), seam_(seam) {
    ++plan_->liveObjects;
  }
  ~FaultyObject() override { --plan_->liveObjects; }

  const std::shared_ptr<automation::Dispatchable>& target() const { return target_; }

  Variant invoke(std::wstring_view member, automation::InvokeKind kind, std::vector<Arg>& args) override {
    if (auto error = plan_->next(seam_, describe(member, kind, args))) throw *error;
    for (Arg& arg : args) {
      if (!arg.isByRef() && arg.value().isObject()) arg.ref() = Variant(unwrapped(arg.value().toObject()));
    }
    return wrapValue(target_->invoke(member, kind, args), plan_, seam_);
  }

  automation::Connection connect(std::wstring_view eventsInterface, automation::EventHandler handler) override {
    if (auto error = plan_->next(Seam::Connect, L"connect " + std::wstring(eventsInterface))) throw *error;
    auto plan = plan_;
    const Seam seam = seam_;
    // The host's objects reach the handler through the plan as well: what it calls on them counts.
    auto inner = std::make_shared<automation::Connection>(target_->connect(
        eventsInterface, automation::EventHandler([plan, seam, handler](std::wstring_view event, std::vector<Arg>& args) {
          std::vector<Arg> wrapped;
          for (Arg& arg : args) wrapped.push_back(arg.isByRef() ? arg : Arg(wrapValue(arg.value(), plan, seam)));
          handler(event, wrapped);
        })));
    ++plan_->liveConnections;
    const std::wstring what = L"disconnect " + std::wstring(eventsInterface);
    return automation::Connection([plan, inner, what] {
      // A refused disconnection still ends the subscription here: the simulated host keeps no
      // proxy that could hold on to the sink.
      const auto error = plan->next(Seam::Disconnect, what);
      --plan->liveConnections;
      inner->reset();
      if (error) throw *error;
    });
  }

  const void* identity() const override { return target_->identity(); }

  bool implements(std::wstring_view interfaceName) const override {
    // QueryInterface on a proxy whose server refuses or is gone: no interface.
    if (plan_->next(seam_, L"QueryInterface " + std::wstring(interfaceName))) return false;
    return target_->implements(interfaceName);
  }

  std::shared_ptr<automation::Dispatchable> withLocale(std::uint32_t locale) const override {
    auto localized = target_->withLocale(locale);
    return localized ? std::make_shared<FaultyObject>(std::move(localized), plan_, seam_) : nullptr;
  }

 private:
  std::shared_ptr<automation::Dispatchable> target_;
  std::shared_ptr<FaultPlan> plan_;
  Seam seam_;
};

Object unwrapped(const Object& object) {
  const auto* faulty = dynamic_cast<const FaultyObject*>(object.target().get());
  return faulty ? Object(faulty->target()) : object;
}

class FaultyKey : public platform::RegistryKey {
 public:
  FaultyKey(std::unique_ptr<platform::RegistryKey> inner, std::shared_ptr<FaultPlan> plan)
      : inner_(std::move(inner)), plan_(std::move(plan)) {}
  long queryInfo(platform::RegistryKeyInfo& info) override {
    return refused(L"queryInfo") ? platform::kErrorAccessDenied : inner_->queryInfo(info);
  }
  long enumValue(std::uint32_t index, platform::RegistryValue& value) override {
    return refused(L"enumValue") ? platform::kErrorAccessDenied : inner_->enumValue(index, value);
  }
  long enumSubKey(std::uint32_t index, std::wstring& name) override {
    return refused(L"enumSubKey") ? platform::kErrorAccessDenied : inner_->enumSubKey(index, name);
  }
  long queryValue(const std::wstring& name, std::uint32_t& type, std::vector<std::uint8_t>* data) override {
    return refused(L"queryValue " + name) ? platform::kErrorAccessDenied : inner_->queryValue(name, type, data);
  }
  long setValue(const std::wstring& name, std::uint32_t type, const std::vector<std::uint8_t>& data) override {
    return refused(L"setValue " + name) ? platform::kErrorAccessDenied : inner_->setValue(name, type, data);
  }
  long deleteValue(const std::wstring& name) override {
    return refused(L"deleteValue " + name) ? platform::kErrorAccessDenied : inner_->deleteValue(name);
  }
  long deleteSubKeyTree(const std::wstring& name) override {
    return refused(L"deleteSubKeyTree " + name) ? platform::kErrorAccessDenied : inner_->deleteSubKeyTree(name);
  }
  long deleteSubKey(const std::wstring& name) override {
    return refused(L"deleteSubKey " + name) ? platform::kErrorAccessDenied : inner_->deleteSubKey(name);
  }

 private:
  bool refused(std::wstring what) { return plan_->next(Seam::Registry, std::move(what)).has_value(); }
  std::unique_ptr<platform::RegistryKey> inner_;
  std::shared_ptr<FaultPlan> plan_;
};

class FaultyRegistry : public platform::Registry {
 public:
  FaultyRegistry(platform::Registry& inner, std::shared_ptr<FaultPlan> plan) : inner_(inner), plan_(std::move(plan)) {}
  long createKey(std::int32_t root, const std::wstring& path, std::uint32_t access,
                 std::unique_ptr<platform::RegistryKey>& key) override {
    return open(L"createKey ", root, path, access, key, &platform::Registry::createKey);
  }
  long openKey(std::int32_t root, const std::wstring& path, std::uint32_t access,
               std::unique_ptr<platform::RegistryKey>& key) override {
    return open(L"openKey ", root, path, access, key, &platform::Registry::openKey);
  }
  bool treeDeleteAvailable() override { return inner_.treeDeleteAvailable(); }

 private:
  using Open = long (platform::Registry::*)(std::int32_t, const std::wstring&, std::uint32_t,
                                            std::unique_ptr<platform::RegistryKey>&);
  long open(const wchar_t* what, std::int32_t root, const std::wstring& path, std::uint32_t access,
            std::unique_ptr<platform::RegistryKey>& key, Open operation) {
    if (plan_->next(Seam::Registry, what + path)) return platform::kErrorAccessDenied;
    std::unique_ptr<platform::RegistryKey> inner;
    const long result = (inner_.*operation)(root, path, access, inner);
    if (inner) key = std::make_unique<FaultyKey>(std::move(inner), plan_);
    return result;
  }
  platform::Registry& inner_;
  std::shared_ptr<FaultPlan> plan_;
};

class FaultyFileSystem : public platform::FileSystem {
 public:
  FaultyFileSystem(platform::FileSystem& inner, std::shared_ptr<FaultPlan> plan) : inner_(inner), plan_(std::move(plan)) {}
  bool folderExists(const std::wstring& path) override { return !refused(L"folderExists", path) && inner_.folderExists(path); }
  bool fileExists(const std::wstring& path) override { return !refused(L"fileExists", path) && inner_.fileExists(path); }
  void createFolder(const std::wstring& path) override { raise(L"createFolder", path), inner_.createFolder(path); }
  std::vector<std::wstring> subFolderNames(const std::wstring& path) override {
    raise(L"subFolderNames", path);
    return inner_.subFolderNames(path);
  }
  void deleteFolder(const std::wstring& path) override { raise(L"deleteFolder", path), inner_.deleteFolder(path); }
  std::uint32_t attributes(const std::wstring& path) override {
    raise(L"attributes", path);
    return inner_.attributes(path);
  }
  bool canOpenForWriting(const std::wstring& path) noexcept override {
    return !refused(L"canOpenForWriting", path) && inner_.canOpenForWriting(path);
  }
  std::wstring canonicalPath(const std::wstring& path) override {
    raise(L"canonicalPath", path);
    return inner_.canonicalPath(path);
  }
  std::optional<std::wstring> longPathName(const std::wstring& path) override {
    if (refused(L"longPathName", path)) return std::nullopt;
    return inner_.longPathName(path);
  }
  std::wstring tempPath() override {
    raise(L"tempPath", L"");
    return inner_.tempPath();
  }
  std::wstring currentDirectory() override {
    raise(L"currentDirectory", L"");
    return inner_.currentDirectory();
  }
  void setCurrentDirectory(const std::wstring& path) override {
    raise(L"setCurrentDirectory", path), inner_.setCurrentDirectory(path);
  }
  bool namesIgnoreCase() const override { return inner_.namesIgnoreCase(); }

 private:
  bool refused(const wchar_t* what, const std::wstring& path) noexcept {
    try {
      return plan_->next(Seam::Files, what + (L" " + path)).has_value();
    } catch (...) {
      return true;
    }
  }
  void raise(const wchar_t* what, const std::wstring& path) {
    if (auto error = plan_->next(Seam::Files, what + (L" " + path))) throw *error;
  }
  platform::FileSystem& inner_;
  std::shared_ptr<FaultPlan> plan_;
};

class FaultyResources : public platform::Resources {
 public:
  FaultyResources(platform::Resources& inner, std::shared_ptr<FaultPlan> plan) : inner_(inner), plan_(std::move(plan)) {}
  std::optional<std::wstring> loadString(std::int32_t id) override {
    if (plan_->next(Seam::Resources, L"loadString " + std::to_wstring(id))) return std::nullopt;
    return inner_.loadString(id);
  }
  std::optional<std::vector<std::uint8_t>> loadBitmap(std::int32_t id) override {
    if (plan_->next(Seam::Resources, L"loadBitmap " + std::to_wstring(id))) return std::nullopt;
    return inner_.loadBitmap(id);
  }

 private:
  platform::Resources& inner_;
  std::shared_ptr<FaultPlan> plan_;
};

class FaultyUi : public platform::Ui {
 public:
  FaultyUi(platform::Ui& inner, std::shared_ptr<FaultPlan> plan) : inner_(inner), plan_(std::move(plan)) {}
  int messageBox(const std::wstring& text, const std::wstring& title, std::uint32_t flags) override {
    // MessageBox fails with 0, showing nothing.
    if (plan_->next(Seam::Ui, L"messageBox")) return 0;
    return inner_.messageBox(text, title, flags);
  }
  void sendKeys(const std::wstring& keys) override { raise(L"sendKeys"), inner_.sendKeys(keys); }
  void clearClipboard() override { raise(L"clearClipboard"), inner_.clearClipboard(); }
  void setClipboardBitmap(const std::vector<std::uint8_t>& dib) override {
    raise(L"setClipboardBitmap"), inner_.setClipboardBitmap(dib);
  }
  std::optional<std::vector<std::uint8_t>> clipboardBitmap() override {
    raise(L"clipboardBitmap");
    return inner_.clipboardBitmap();
  }
  // The system answers a DPI whatever the window: nothing to fail.
  std::uint32_t windowDpi() override { return inner_.windowDpi(); }

 private:
  void raise(const wchar_t* what) {
    if (auto error = plan_->next(Seam::Ui, what)) throw *error;
  }
  platform::Ui& inner_;
  std::shared_ptr<FaultPlan> plan_;
};

}  // namespace

void FaultPlan::begin(std::optional<int> failAt, Mode mode) {
  active_ = true;
  failAt_ = failAt;
  mode_ = mode;
  calls_.clear();
}

std::optional<ComError> FaultPlan::next(Seam seam, std::wstring what) {
  if (!active_) return std::nullopt;
  calls_.push_back({seam, std::move(what), false});
  const int number = static_cast<int>(calls_.size());
  const bool fails = failAt_ && (number == *failAt_ || (mode_ == Mode::FromOn && number > *failAt_));
  if (!fails) return std::nullopt;
  calls_.back().failed = true;
  return errorFor(seam, number);
}

ComError FaultPlan::errorFor(Seam seam, int call) const {
  const bool gone = mode_ == Mode::FromOn;
  switch (seam) {
    case Seam::Host: {
      if (gone) return call % 2 ? kDisconnected : kServerUnavailable;
      // A busy or refusing host; and each host's own refusal of a member.
      std::vector<ComError> codes = {kRejected, kRetryLater};
      switch (host_) {
        case HostKind::Excel:
          codes.push_back(hresult(0x800AC472u, L"Microsoft Excel is busy."));
          codes.push_back(hresult(0x800A03ECu, L"Exception from HRESULT: 0x800A03EC"));
          break;
        case HostKind::Word: codes.push_back(hresult(0x800A1066u, L"Command failed")); break;
        case HostKind::PowerPoint: codes.push_back(hresult(0x80004005u, L"Unspecified error")); break;
      }
      return codes[static_cast<std::size_t>(call) % codes.size()];
    }
    case Seam::Server:
      return gone ? (call % 2 ? kServerUnavailable : kDisconnected) : (call % 2 ? kRejected : kRetryLater);
    case Seam::Connect:
    case Seam::Disconnect: return gone ? kDisconnected : kRejected;
    case Seam::Registry: return ComError(5, L"Access is denied.");  // returned as a code by the wrappers
    case Seam::Files:
      // A file another process holds (ERROR_SHARING_VIOLATION maps to 70); a full disk.
      return call % 2 ? ComError::automation(platform::errors::kPermissionDenied)
                      : hresult(0x80070070u, L"There is not enough space on the disk.");
    case Seam::Factory:
      return gone ? kServerUnavailable : hresult(0x80080005u, L"Server execution failed");
    case Seam::Resources: return ComError::automation(326);  // the loaders answer "nothing"
    case Seam::Ui: return hresult(0x800401D0u, L"OpenClipboard Failed");
  }
  return kRejected;
}

Object wrap(const Object& object, const std::shared_ptr<FaultPlan>& plan, Seam seam) {
  if (!object || dynamic_cast<const FaultyObject*>(object.target().get())) return object;
  return Object(std::make_shared<FaultyObject>(object.target(), plan, seam));
}

struct FaultyPlatform::Services {
  Services(platform::Platform inner, const std::shared_ptr<FaultPlan>& plan)
      : registry(inner.registry, plan),
        fileSystem(inner.fileSystem, plan),
        environment(inner.environment),
        resources(inner.resources, plan),
        ui(inner.ui, plan) {}
  FaultyRegistry registry;
  FaultyFileSystem fileSystem;
  platform::Environment& environment;
  FaultyResources resources;
  FaultyUi ui;
};

FaultyPlatform::FaultyPlatform(platform::Platform inner, std::shared_ptr<FaultPlan> plan)
    : services_(std::make_unique<Services>(inner, plan)) {}
FaultyPlatform::~FaultyPlatform() = default;

platform::Platform FaultyPlatform::platform() {
  return {services_->registry, services_->fileSystem, services_->environment, services_->resources, services_->ui};
}

Object FaultyObjectFactory::create(const std::wstring& progId) {
  if (auto error = plan_->next(Seam::Factory, L"create " + progId)) throw *error;
  return wrap(inner_.create(progId), plan_, Seam::Server);
}

Object FaultyObjectFactory::picture(const std::vector<std::uint8_t>& dib) {
  if (plan_->next(Seam::Factory, L"picture")) throw hresult(0x8007000Eu, L"Not enough memory resources are available to complete this operation.");
  return inner_.picture(dib);
}

void FaultyAddIn::OnConnection(Object application, std::int32_t connectMode, Object addInInst, Variant& custom) {
  inner_.OnConnection(wrap(application, plan_, Seam::Host), connectMode, wrap(addInInst, plan_, Seam::Host), custom);
}

std::wstring FaultyAddIn::GetCustomUI(const std::wstring& ribbonId) {
  return inner_.queryRibbonExtensibility()->GetCustomUI(ribbonId);
}

Variant FaultyAddIn::invokeCallback(const std::wstring& callback, std::vector<Arg>& args) {
  for (Arg& arg : args) {
    if (!arg.isByRef()) arg.ref() = wrapValue(arg.value(), plan_, Seam::Host);
  }
  return inner_.queryRibbonExtensibility()->invokeCallback(callback, args);
}

}  // namespace sim::faults
