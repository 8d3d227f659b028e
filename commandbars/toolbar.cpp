// The Lockfolio toolbar: found or created, its buttons added where missing, and put back where
// the user left it.

#include <exception>

#include "addin/class_addin.h"
#include "addin/error_trap.h"
#include "addin/messages.h"
#include "commandbars/reg_intfc.h"
#include "office/office.h"

namespace addin {

const std::vector<ClassAddIn::ToolbarButton>& ClassAddIn::ToolbarButtons() {
  static const std::vector<ToolbarButton> buttons = {
      {&ClassAddIn::g_cbbSOpenButton, &ClassAddIn::g_cbbSOpenMenuItem, &ClassAddIn::g_cbbSOpenButton_Click,
       L"tbOpenEncryptedFile", message::kOpenCaption, 101, 102},
      {&ClassAddIn::g_cbbSSaveButton, &ClassAddIn::g_cbbSSaveMenuItem, &ClassAddIn::g_cbbSSaveButton_Click,
       L"tbSaveCloseEncrypt", message::kSaveCaption, 103, 104},
      {&ClassAddIn::g_cbbSSaveAsButton, &ClassAddIn::g_cbbSSaveAsMenuItem, &ClassAddIn::g_cbbSSaveAsButton_Click,
       L"tbSaveAsCloseEncrypt", message::kSaveAsCaption, 105, 106},
  };
  return buttons;
}

void ClassAddIn::AddToolbarButton(const ToolbarButton& button) {
  const office::CommandBarControls controls = office::CommandBar(g_cbLockfolioToolbar).controls();
  EventSource& field = this->*button.field;
  field.assign(controls.add(Arg(office::msoControlButton), Arg::missing(), Arg(button.tag), Arg::missing(), Arg(true)));
  const office::CommandBarControl control(field.object());
  control.setStyle(office::msoButtonIcon);
  control.setTag(button.tag);
  control.setTooltipText(GetMessage(button.tooltipId));
  control.setOnAction(OnActionOfSelf());
  if (!CommandEnabled(button)) control.setEnabled(false);  // a new control starts enabled
}

void ClassAddIn::AddToolbar(const ToolbarPlacement* placement) {
  // A toolbar that the user renamed in this run is not found by name, but the field still holds it.
  const auto lookUp = [&] {
    ignoringErrors([&] {
      g_cbLockfolioToolbar = office::Application(g_objHostApp).commandBars().item(GetMessage(message::kToolbarName));
    });
  };
  lookUp();
  trappingErrors(
      [&] {
        bool created = false;
        if (!g_cbLockfolioToolbar) {
          try {
            g_cbLockfolioToolbar = office::Application(g_objHostApp)
                                       .commandBars()
                                       .add(GetMessage(message::kToolbarName), office::msoBarTop);
            created = true;
          } catch (...) {
            // A lookup refused for another reason than a missing bar: Add refuses the name in use.
            lookUp();
            if (!g_cbLockfolioToolbar) throw;
          }
        }
        if (created) {
          for (const ToolbarButton& button : ToolbarButtons()) AddToolbarButton(button);
        } else {
          const office::CommandBar toolbar(g_cbLockfolioToolbar);
          for (const ToolbarButton& button : ToolbarButtons()) {
            EventSource& field = this->*button.field;
            field.assign(toolbar.findControl(office::msoControlButton, button.tag));
            if (!field) AddToolbarButton(button);
          }
        }
        ToolbarPlacement stored;
        if (placement) {
          stored = *placement;
        } else {
          RegIntfc::GetToolbarPlacement(platform_, HostKind(), stored.left, stored.rowIndex, stored.width,
                                        stored.position);
        }
        const office::CommandBar toolbar(g_cbLockfolioToolbar);
        toolbar.setVisible(true);
        toolbarPlaced_ = false;
        toolbar.setPosition(stored.position);
        toolbar.setRowIndex(stored.rowIndex);
        toolbar.setLeft(stored.left);  // the stored width is kept but never applied
        toolbarPlaced_ = true;
        EnableSaveCommands(true);
      },
      [&](const ComError& error) {
        platform_.ui.messageBox(L"Error = " + error.description(), L"LockfolioAddIn", platform::kMbOk);
        ShowErrorMessage(error, message::kErrorAddingToolbar);
      });
}

void ClassAddIn::RefreshToolbar(const ToolbarPlacement* placement) { AddToolbar(placement); }

void ClassAddIn::EnablePair(const EventSource& menuItem, const EventSource& button, bool enable) {
  const office::CommandBarControl item(menuItem.object());
  const office::CommandBarControl control(button.object());
  item.setEnabled(enable);
  try {
    control.setEnabled(enable);
  } catch (...) {
    ignoringErrors([&] { item.setEnabled(control.enabled()); });
    throw;
  }
}

void ClassAddIn::EnableSaveCommands(const bool& bEnable) {
  saveCommandsEnabled_ = bEnable;
  ignoringErrors([&] { EnablePair(g_cbbSSaveMenuItem, g_cbbSSaveButton, bEnable); });
  ignoringErrors([&] { EnablePair(g_cbbSSaveAsMenuItem, g_cbbSSaveAsButton, bEnable); });
  NotifyEnabled(&ClassAddIn::g_cbbSSaveButton);
  NotifyEnabled(&ClassAddIn::g_cbbSSaveAsButton);
}

void ClassAddIn::EnableOpenCommands(bool bEnable) {
  openCommandsEnabled_ = bEnable;
  // The tab follows the add-in's state, so it is told even when a control refused the change; the
  // failure still goes to the caller.
  trappingErrors([&] { EnablePair(g_cbbSOpenMenuItem, g_cbbSOpenButton, bEnable); },
                 [&](const ComError& error) {
                   NotifyEnabled(&ClassAddIn::g_cbbSOpenButton);
                   throw error;
                 });
  NotifyEnabled(&ClassAddIn::g_cbbSOpenButton);
}

bool ClassAddIn::CommandEnabled(const ToolbarButton& button) const {
  return button.field == &ClassAddIn::g_cbbSOpenButton ? openCommandsEnabled_ : saveCommandsEnabled_;
}

void ClassAddIn::NotifyEnabled(EventSource ClassAddIn::*button) const {
  if (!enabledObserver_) return;
  for (const ToolbarButton& entry : ToolbarButtons()) {
    if (entry.field == button) ignoringErrors([&] { enabledObserver_(entry); });
  }
}

}  // namespace addin
