#include "com/support_servers.h"

#include "LockfolioAddIn_h.h"
#include "addin/cls_res_str.h"
#include "automation/win32/variant_conversion.h"
#include "com/bstr.h"
#include "com/dispatch_server.h"
#include "support/cls_session_folder.h"
#include "support/restrictions.h"

namespace com {

namespace {

class ResStrServer final : public DispatchServer<_clsResStr> {
 public:
  ResStrServer() : DispatchServer(IID__clsResStr) {}

  HRESULT STDMETHODCALLTYPE LoadLocalizedResources(VARIANT_BOOL* value) override {
    return call([&] { *required(value) = toVariantBool(addin::clsResStr(modulePlatform().resources).LoadLocalizedResources()); });
  }
  HRESULT STDMETHODCALLTYPE GetString(LONG* StringIndex, BSTR* value) override {
    return call([&] {
      const std::int32_t index = *required(StringIndex);
      *required(value) = makeBstr(addin::clsResStr(modulePlatform().resources).GetString(index));
    });
  }
};

class RestrictionsServer final : public DispatchServer<_Restrictions> {
 public:
  RestrictionsServer() : DispatchServer(IID__Restrictions) {}

  HRESULT STDMETHODCALLTYPE IsEncryptionAllowed(BSTR strFilename, VARIANT_BOOL* value) override {
    return call([&] {
      *required(value) = toVariantBool(support::Restrictions(modulePlatform()).IsEncryptionAllowed(fromBstr(strFilename)));
    });
  }
  HRESULT STDMETHODCALLTYPE IsFileOpen(BSTR strFilename, VARIANT_BOOL* value) override {
    return call([&] {
      *required(value) = toVariantBool(support::Restrictions(modulePlatform()).IsFileOpen(fromBstr(strFilename)));
    });
  }
};

class SessionFolderServer final : public DispatchServer<_clsSessionFolder> {
 public:
  SessionFolderServer() : DispatchServer(IID__clsSessionFolder) {}

  HRESULT STDMETHODCALLTYPE Init() override {
    return call([&] { support::clsSessionFolder(modulePlatform()).Init(); });
  }
  HRESULT STDMETHODCALLTYPE NextFolder(BSTR strPath, SHORT* nCategory, SHORT* nCounter, BSTR* value) override {
    return call([&] {
      std::int16_t category = *required(nCategory);
      std::int16_t counter = *required(nCounter);
      required(value);
      // The counter goes back to the caller also when the call fails after advancing it.
      struct WriteBack {
        SHORT* target;
        std::int16_t& source;
        ~WriteBack() { *target = source; }
      } writeBack{nCounter, counter};
      *value = makeBstr(support::clsSessionFolder(modulePlatform()).NextFolder(fromBstr(strPath), category, counter));
    });
  }
  HRESULT STDMETHODCALLTYPE RemoveFolders(BSTR strPath, SHORT* nCategory) override {
    return call([&] {
      std::int16_t category = *required(nCategory);
      support::clsSessionFolder(modulePlatform()).RemoveFolders(fromBstr(strPath), category);
    });
  }
  HRESULT STDMETHODCALLTYPE NextFilename(SHORT* nCategory, VARIANT* nFileCounter, BSTR* value) override {
    return call([&] {
      std::int16_t category = *required(nCategory);
      // The counter may refer on, through any number of references, to the caller's own variable
      // (typed or a Variant): it is read and written where the last reference leads.
      VARIANT counterReference;
      counterReference.vt = VT_BYREF | VT_VARIANT;
      counterReference.pvarVal = required(nFileCounter);
      automation::Variant counter = automation::win32::fromVariant(*counterReference.pvarVal);
      required(value);
      std::wstring name;
      try {
        name = support::clsSessionFolder(modulePlatform()).NextFilename(category, counter);
      } catch (...) {
        // The counter goes back to the caller also when the call fails after advancing it.
        try {
          automation::win32::storeThroughReference(counterReference, counter);
        } catch (const automation::ComError&) {
          // The call's own failure is what the caller hears about.
        }
        throw;
      }
      automation::win32::storeThroughReference(counterReference, counter);
      *value = makeBstr(name);
    });
  }
};

}  // namespace

IUnknown* createResStr() { return static_cast<_clsResStr*>(new ResStrServer()); }
IUnknown* createRestrictions() { return static_cast<_Restrictions*>(new RestrictionsServer()); }
IUnknown* createSessionFolder() { return static_cast<_clsSessionFolder*>(new SessionFolderServer()); }

}  // namespace com
