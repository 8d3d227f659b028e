// The Lockfolio menu on the host's active menu bar, with the three command items.

#include "addin/class_addin.h"
#include "addin/error_trap.h"
#include "addin/messages.h"
#include "office/office.h"

namespace addin {

namespace {
const wchar_t kMenuTag[] = L"Lockfolio";
}

std::wstring ClassAddIn::OnActionOfSelf() const { return L"!<" + g_objSelf.get(L"ProgId").toString() + L">"; }

void ClassAddIn::RemoveMenu() {
  if (!g_cbpLockfolioMenu) {
    // A menu left from an earlier run is found by its tag; only the first one goes.
    Object old;
    ignoringErrors([&] {
      const office::CommandBar bar(office::Application(g_objHostApp).commandBars().activeMenuBar());
      old = bar.findControl(office::msoControlPopup, kMenuTag);
    });
    if (old) ignoringErrors([&] { office::CommandBarControl(old).remove(); });
  } else {
    ignoringErrors([&] { office::CommandBarControl(g_cbpLockfolioMenu).remove(); });
    g_cbpLockfolioMenu = Object();
  }
}

void ClassAddIn::AddMenu() {
  RemoveMenu();
  trappingErrors(
      [&] {
        const Object menuBar = office::Application(g_objHostApp).commandBars().activeMenuBar();
        if (!menuBar) return;
        const office::CommandBarControls controls = office::CommandBar(menuBar).controls();
        const std::int32_t count = controls.count();
        // In front of the second-to-last menu: on a bar that ends with Window and Help, before Window.
        g_cbpLockfolioMenu = controls.add(Arg(office::msoControlPopup), Arg::missing(), Arg::missing(),
                                          Arg(count - 1), Arg::missing());
        const office::CommandBarControl menu(g_cbpLockfolioMenu);
        try {
          menu.setCaption(GetMessage(message::kMenuCaption));
          menu.setTooltipText(GetMessage(message::kMenuCaption));
          menu.setTag(kMenuTag);
        } catch (...) {
          // The menu is permanent and a later start finds it by its tag alone: an untagged one
          // would stay for good. It gets its tag, or goes.
          if (!ignoringErrors([&] { menu.setTag(kMenuTag); })) {
            ignoringErrors([&] { menu.remove(); });
            g_cbpLockfolioMenu = Object();
          }
          throw;
        }
      },
      [&](const ComError& error) { ShowErrorMessage(error, message::kErrorAddingMenu); });
}

void ClassAddIn::AddMenuItem(EventSource& field, const wchar_t* tag, std::int32_t captionId, bool beginGroup) {
  trappingErrors(
      [&] {
        const office::CommandBarControls controls(g_cbpLockfolioMenu.get(L"Controls").toObject());
        const office::CommandBarControl item(
            controls.add(Arg(office::msoControlButton), Arg::missing(), Arg(tag), Arg::missing(), Arg(true)));
        item.setCaption(GetMessage(captionId));
        item.setTag(tag);
        item.setStyle(office::msoButtonIconAndCaption);
        item.setTooltipText(GetMessage(captionId));
        item.setOnAction(OnActionOfSelf());
        item.setBeginGroup(beginGroup);
        field.assign(item.object());
      },
      [&](const ComError& error) { ShowErrorMessage(error, message::kErrorAddingMenuItem); });
}

void ClassAddIn::AddOpenMenuItem() {
  AddMenuItem(g_cbbSOpenMenuItem, L"mOpenEncryptedFile", message::kOpenCaption, true);
}

void ClassAddIn::AddSaveMenuItem() {
  AddMenuItem(g_cbbSSaveMenuItem, L"mSaveCloseEncrypt", message::kSaveCaption, true);
}

void ClassAddIn::AddSaveAsMenuItem() {
  AddMenuItem(g_cbbSSaveAsMenuItem, L"mSaveAsCloseEncrypt", message::kSaveAsCaption, false);
}

}  // namespace addin
