#include "sim/built_in_bars.h"

#include <vector>

namespace sim {
namespace {

constexpr std::int32_t kFileMenu = 30002;
constexpr std::int32_t kEditMenu = 30003;
constexpr std::int32_t kViewMenu = 30004;
constexpr std::int32_t kInsertMenu = 30005;
constexpr std::int32_t kFormatMenu = 30006;
constexpr std::int32_t kToolsMenu = 30007;
constexpr std::int32_t kWindowMenu = 30009;
constexpr std::int32_t kHelpMenu = 30010;
constexpr std::int32_t kDataMenu = 30011;
constexpr std::int32_t kSlideShowMenu = 30025;
constexpr std::int32_t kTableMenu = 30094;
constexpr std::int32_t kPrint = 2521;
constexpr std::int32_t kUndo = 128;
constexpr std::int32_t kCut = 21;
constexpr std::int32_t kCopy = 19;
constexpr std::int32_t kPaste = 22;
constexpr std::int32_t kBold = 113;
constexpr std::int32_t kItalic = 114;
constexpr std::int32_t kUnderline = 115;
constexpr std::int32_t kAbout = 927;

const BuiltInControl kBuiltIns[] = {
    {kFileMenu, L"&File", ControlType::Popup},
    {kEditMenu, L"&Edit", ControlType::Popup},
    {kViewMenu, L"&View", ControlType::Popup},
    {kInsertMenu, L"&Insert", ControlType::Popup},
    {kFormatMenu, L"F&ormat", ControlType::Popup},
    {kToolsMenu, L"&Tools", ControlType::Popup},
    {kTableMenu, L"T&able", ControlType::Popup},
    {kDataMenu, L"&Data", ControlType::Popup},
    {kSlideShowMenu, L"Sli&de Show", ControlType::Popup},
    {kWindowMenu, L"&Window", ControlType::Popup},
    {kHelpMenu, L"&Help", ControlType::Popup},
    {built_in_ids::kNewDialog, L"&New...", ControlType::Button},
    {built_in_ids::kNew, L"&New", ControlType::Button},
    {built_in_ids::kOpen, L"&Open...", ControlType::Button},
    {built_in_ids::kClose, L"&Close", ControlType::Button},
    {built_in_ids::kSave, L"&Save", ControlType::Button},
    {built_in_ids::kSaveAs, L"Save &As...", ControlType::Button},
    {built_in_ids::kExit, L"E&xit", ControlType::Button},
    {kPrint, L"&Print", ControlType::Button},
    {kUndo, L"&Undo", ControlType::Button},
    {kCut, L"Cu&t", ControlType::Button},
    {kCopy, L"&Copy", ControlType::Button},
    {kPaste, L"&Paste", ControlType::Button},
    {kBold, L"&Bold", ControlType::Button},
    {kItalic, L"&Italic", ControlType::Button},
    {kUnderline, L"&Underline", ControlType::Button},
    {kAbout, L"&About", ControlType::Button},
};

std::shared_ptr<CommandBarControl> addBuiltIn(CommandBar& bar, std::int32_t id, bool beginGroup = false) {
  auto control = bar.addControl(static_cast<std::int32_t>(findBuiltInControl(id)->type), id, L"", std::nullopt, false);
  control->setBeginGroup(beginGroup);
  return control;
}

}  // namespace

const BuiltInControl* findBuiltInControl(std::int32_t id) {
  for (const auto& control : kBuiltIns) {
    if (control.id == id) return &control;
  }
  return nullptr;
}

void addBuiltInBars(BarStore& store) {
  const HostKind host = store.host();
  const std::wstring menuBarName = host == HostKind::Excel ? L"Worksheet Menu Bar" : L"Menu Bar";
  auto menuBar = store.addBuiltIn(menuBarName, BarType::MenuBar, kBarTop, 1);

  std::vector<std::int32_t> menus = {kFileMenu, kEditMenu, kViewMenu, kInsertMenu, kFormatMenu, kToolsMenu};
  if (host == HostKind::Word) menus.push_back(kTableMenu);
  if (host == HostKind::Excel) menus.push_back(kDataMenu);
  if (host == HostKind::PowerPoint) menus.push_back(kSlideShowMenu);
  menus.push_back(kWindowMenu);
  menus.push_back(kHelpMenu);
  for (const std::int32_t id : menus) addBuiltIn(*menuBar, id);

  auto& file = *menuBar->controls()[0]->menu();
  addBuiltIn(file, built_in_ids::kNewDialog);
  addBuiltIn(file, built_in_ids::kOpen);
  addBuiltIn(file, built_in_ids::kClose);
  addBuiltIn(file, built_in_ids::kSave, true);
  addBuiltIn(file, built_in_ids::kSaveAs);
  addBuiltIn(file, kPrint, true);
  addBuiltIn(file, built_in_ids::kExit, true);
  auto& edit = *menuBar->controls()[1]->menu();
  addBuiltIn(edit, kUndo);
  addBuiltIn(edit, kCut, true);
  addBuiltIn(edit, kCopy);
  addBuiltIn(edit, kPaste);
  auto& help = *menuBar->controls().back()->menu();
  addBuiltIn(help, kAbout, true)->setCaption(L"&About " + defaultApplicationName(host));

  auto standard = store.addBuiltIn(L"Standard", BarType::Normal, kBarTop, 2);
  addBuiltIn(*standard, built_in_ids::kNew);
  addBuiltIn(*standard, built_in_ids::kOpen);
  addBuiltIn(*standard, built_in_ids::kSave);
  addBuiltIn(*standard, kPrint, true);
  addBuiltIn(*standard, kCut, true);
  addBuiltIn(*standard, kCopy);
  addBuiltIn(*standard, kPaste);

  auto formatting = store.addBuiltIn(L"Formatting", BarType::Normal, kBarTop, 3);
  addBuiltIn(*formatting, kBold);
  addBuiltIn(*formatting, kItalic);
  addBuiltIn(*formatting, kUnderline);
}

}  // namespace sim
