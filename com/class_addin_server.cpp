// ClassAddIn as a COM class: its state record as properties, its connection, handlers and the
// storage-folder function as methods.

#include <memory>

#include "LockfolioAddIn_h.h"
#include "addin/class_addin.h"
#include "automation/win32/com_ptr.h"
#include "automation/win32/dispatch_object.h"
#include "com/add_in_servers.h"
#include "com/bstr.h"
#include "com/dispatch_server.h"
#include "com/support_servers.h"

namespace com {

namespace {

using automation::Object;
using automation::Variant;
using automation::win32::ComPtr;
using automation::win32::fromDispatch;
using automation::win32::toDispatch;

class ClassAddInServer final : public DispatchServer<_ClassAddIn> {
 public:
  ClassAddInServer()
      : DispatchServer(IID__ClassAddIn), addIn_(std::make_shared<addin::ClassAddIn>(modulePlatform(), moduleObjects())) {}

#define LOCKFOLIO_OBJECT_FIELD(name)                                                                       \
  HRESULT STDMETHODCALLTYPE get_##name(IDispatch** value) override {                                      \
    return call([&] { *required(value) = toDispatch(addIn_->name); });                                   \
  }                                                                                                        \
  HRESULT STDMETHODCALLTYPE putref_##name(IDispatch* value) override {                                    \
    return call([&] { addIn_->name = fromDispatch(value); });                                            \
  }
#define LOCKFOLIO_EVENT_FIELD(name)                                                                        \
  HRESULT STDMETHODCALLTYPE get_##name(IDispatch** value) override {                                      \
    return call([&] { *required(value) = toDispatch(addIn_->name.object()); });                          \
  }                                                                                                        \
  HRESULT STDMETHODCALLTYPE putref_##name(IDispatch* value) override {                                    \
    return call([&] { addIn_->name.assign(fromDispatch(value)); });                                      \
  }

  LOCKFOLIO_OBJECT_FIELD(g_objHostApp)
  LOCKFOLIO_OBJECT_FIELD(g_objSelf)
  LOCKFOLIO_OBJECT_FIELD(g_cbpLockfolioMenu)
  LOCKFOLIO_OBJECT_FIELD(g_cbLockfolioToolbar)
  LOCKFOLIO_EVENT_FIELD(g_cbbSSaveAsMenuItem)
  LOCKFOLIO_EVENT_FIELD(g_cbbSOpenButton)
  LOCKFOLIO_EVENT_FIELD(g_cbbSSaveButton)
  LOCKFOLIO_EVENT_FIELD(g_cbbSSaveAsButton)
  LOCKFOLIO_EVENT_FIELD(g_appWord)
  LOCKFOLIO_EVENT_FIELD(g_appExcel)
  LOCKFOLIO_EVENT_FIELD(g_appPPT)
  LOCKFOLIO_EVENT_FIELD(g_cbbSOpenMenuItem)
  LOCKFOLIO_EVENT_FIELD(g_cbbSSaveMenuItem)
#undef LOCKFOLIO_OBJECT_FIELD
#undef LOCKFOLIO_EVENT_FIELD

  HRESULT STDMETHODCALLTYPE get_strCurrentOperation(BSTR* value) override {
    return call([&] { *required(value) = makeBstr(addIn_->strCurrentOperation); });
  }
  HRESULT STDMETHODCALLTYPE put_strCurrentOperation(BSTR value) override {
    return call([&] { addIn_->strCurrentOperation = fromBstr(value); });
  }
  HRESULT STDMETHODCALLTYPE get_strSessionFolderName(_clsSessionFolder** value) override {
    return call([&] {
      *required(value) = nullptr;
      const auto& held = addIn_->strSessionFolderName;
      if (!held) return;
      // The object the add-in made itself gets one COM object, handed out for as long as it is held.
      if (!sessionFolder_ || sessionFolderOf_ != held) {
        sessionFolder_ = ComPtr<_clsSessionFolder>::adopt(static_cast<_clsSessionFolder*>(createSessionFolder()));
        sessionFolderOf_ = held;
      }
      sessionFolder_->AddRef();
      *value = sessionFolder_.get();
    });
  }
  HRESULT STDMETHODCALLTYPE putref_strSessionFolderName(_clsSessionFolder* value) override {
    return call([&] {
      // The caller's object is held and handed back as it is; the add-in's own calls go to a
      // session folder object of its own, which behaves the same, as the class keeps no state.
      std::shared_ptr<support::clsSessionFolder> own;
      if (value) own = std::make_shared<support::clsSessionFolder>(modulePlatform());
      sessionFolder_ = ComPtr<_clsSessionFolder>::retain(value);
      sessionFolderOf_ = own;
      addIn_->strSessionFolderName = std::move(own);
    });
  }

  HRESULT STDMETHODCALLTYPE DoOnConnection(IDispatch* Application, LONG ConnectMode, IDispatch* AddInInst,
                                           SAFEARRAY** /*custom*/) override {
    return call([&] {
      Variant custom;
      addIn_->DoOnConnection(fromDispatch(Application), ConnectMode, fromDispatch(AddInInst), custom);
    });
  }

#define LOCKFOLIO_CLICK(name)                                                                              \
  HRESULT STDMETHODCALLTYPE name(IDispatch* Ctrl, VARIANT_BOOL* CancelDefault) override {                 \
    return call([&] {                                                                                      \
      Variant cancel(*required(CancelDefault) != VARIANT_FALSE);                                           \
      addIn_->name(fromDispatch(Ctrl), cancel);                                                            \
      *CancelDefault = toVariantBool(cancel.toBool());                                                     \
    });                                                                                                    \
  }
  LOCKFOLIO_CLICK(g_cbbSOpenMenuItem_Click)
  LOCKFOLIO_CLICK(g_cbbSSaveMenuItem_Click)
  LOCKFOLIO_CLICK(g_cbbSSaveAsMenuItem_Click)
  LOCKFOLIO_CLICK(g_cbbSOpenButton_Click)
  LOCKFOLIO_CLICK(g_cbbSSaveButton_Click)
  LOCKFOLIO_CLICK(g_cbbSSaveAsButton_Click)
#undef LOCKFOLIO_CLICK

#define LOCKFOLIO_DOCUMENT(name)                                                                           \
  HRESULT STDMETHODCALLTYPE name(IDispatch* document) override {                                           \
    return call([&] { addIn_->name(fromDispatch(document)); });                                           \
  }
#define LOCKFOLIO_CLOSING(name)                                                                            \
  HRESULT STDMETHODCALLTYPE name(IDispatch* document, VARIANT_BOOL* Cancel) override {                    \
    return call([&] {                                                                                      \
      Variant cancel(*required(Cancel) != VARIANT_FALSE);                                                  \
      addIn_->name(fromDispatch(document), cancel);                                                        \
      *Cancel = toVariantBool(cancel.toBool());                                                            \
    });                                                                                                    \
  }
  LOCKFOLIO_DOCUMENT(g_appWord_NewDocument)
  LOCKFOLIO_DOCUMENT(g_appWord_DocumentOpen)
  LOCKFOLIO_CLOSING(g_appWord_DocumentBeforeClose)
  LOCKFOLIO_DOCUMENT(g_appExcel_NewWorkbook)
  LOCKFOLIO_DOCUMENT(g_appExcel_WorkbookOpen)
  LOCKFOLIO_CLOSING(g_appExcel_WorkbookBeforeClose)
  LOCKFOLIO_DOCUMENT(g_appPPT_NewPresentation)
  LOCKFOLIO_DOCUMENT(g_appPPT_PresentationOpen)
  LOCKFOLIO_DOCUMENT(g_appPPT_PresentationClose)
#undef LOCKFOLIO_DOCUMENT
#undef LOCKFOLIO_CLOSING

  HRESULT STDMETHODCALLTYPE CleanUp() override {
    return call([&] { addIn_->CleanUp(); });
  }
  HRESULT STDMETHODCALLTYPE GetFileStorageLocation(LONG* lLen, BSTR* value) override {
    return call([&] {
      std::int32_t length = *required(lLen);
      *required(value) = makeBstr(addIn_->GetFileStorageLocation(length));
      *lLen = length;
    });
  }

 private:
  std::shared_ptr<addin::ClassAddIn> addIn_;
  // What strSessionFolderName gives COM clients, and the add-in's object it stands for.
  ComPtr<_clsSessionFolder> sessionFolder_;
  std::shared_ptr<support::clsSessionFolder> sessionFolderOf_;
};

}  // namespace

IUnknown* createClassAddIn() { return static_cast<_ClassAddIn*>(new ClassAddInServer()); }

}  // namespace com
