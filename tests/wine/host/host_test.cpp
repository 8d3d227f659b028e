// The real add-in DLL inside the test host under Wine: a simulated Office shown through the
// dispatch bridges, the add-in created by its ProgID and connected through _IDTExtensibility2, the
// vault server served by the host as "Morvane.Vault", message boxes captured.
// Usage: host_test <path of LockfolioAddIn.dll> [DPI]; with a DPI (the prefix's LogPixels), only the
// ribbon's pictures at that scale. Registers the DLL for the run and unregisters it.
// Prints each failed check and ends with "N passed, N failed"; exits non-zero on any failure.

#include <windows.h>

#include <ole2.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "automation/win32/com_object_factory.h"
#include "automation/win32/com_ptr.h"
#include "platform/win32/win32_platform.h"
#include "sim/application.h"
#include "sim/command_bar.h"
#include "sim/command_bar_control.h"
#include "sim/folder_vault.h"
#include "sim/machine.h"
#include "sim/user_script.h"
#include "sim/path_mapper.h"
#include "sim/com/class_registration.h"
#include "sim/com/com_add_in_client.h"
#include "sim/com/dispatch_bridge.h"
#include "sim/com/message_box_capture.h"
#include "sim/com/picture_conversion.h"
#include "tests/wine/host/test_harness.h"

namespace {

using automation::ComError;
using wine_host::ClassRegistration;
using wine_host::ComAddInClient;
using wine_host::DispatchBridge;
using wine_host::MessageBoxCapture;

constexpr wchar_t kProgId[] = L"LockfolioAddIn.Connect";
constexpr wchar_t kVaultProgId[] = L"Morvane.Vault";
// The test host's own class for the vault server.
constexpr CLSID kVaultClsid = {0x1a22118b, 0x56ae, 0x4dde, {0xa2, 0x0e, 0x4c, 0x9e, 0x76, 0xec, 0x44, 0xbf}};
constexpr wchar_t kLoadErrorPrefix[] = L"Error loading Lockfolio Office Add-in.";
constexpr wchar_t kDocumentsFolder[] = L"C:\\Users\\User\\Documents";
constexpr wchar_t kSettingsKey[] = L"Software\\Palvantis\\LockfolioAddIn";
// The add-in's message: a protected file is refused.
constexpr UINT kCriticalFileMessage = 168;
constexpr std::int32_t kBarLeft = 0;    // msoBarLeft
constexpr std::int32_t kBarBottom = 3;  // msoBarBottom
constexpr wchar_t kRibbonOpen[] = L"PalvantisLockfolio.tbOpenEncryptedFile";

std::wstring tempFolder() {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetTempPathW(MAX_PATH, path);
  return std::wstring(path, length);
}

// A path on a drive letter made with DefineDosDeviceW, in the folder it stands for. Windows follows
// such a definition itself; Wine 8 keeps it (QueryDosDeviceW gives it back) but its file system
// ignores it, so the simulator's file access goes through this.
std::filesystem::path throughDosDevices(const std::wstring& path) {
  if (path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/')) {
    wchar_t target[MAX_PATH] = {};
    const std::wstring drive = path.substr(0, 2);
    if (QueryDosDeviceW(drive.c_str(), target, MAX_PATH) > 0) {
      const std::wstring defined(target);
      // "\??\C:\folder": a definition by a folder of another drive.
      if (defined.size() > 6 && defined.rfind(L"\\??\\", 0) == 0 && defined[5] == L':' && defined[6] == L'\\') {
        std::wstring folder = defined.substr(4);
        if (folder.back() == L'\\') folder.pop_back();
        return std::filesystem::path(folder + path.substr(2));
      }
    }
  }
  return std::filesystem::path(path);
}

bool fileOnDisk(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A REG_DWORD the add-in stored under its settings key; nothing when missing or of another type.
std::optional<DWORD> storedNumber(const std::wstring& subKey, const wchar_t* name) {
  DWORD value = 0;
  DWORD size = sizeof value;
  const std::wstring key = std::wstring(kSettingsKey) + L"\\" + subKey;
  if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return value;
}

HMODULE addInModule = nullptr;
// The system's display scale the run expects (the prefix's LogPixels): 96 unless told.
UINT expectedDpi = 96;

// One run of a simulated host with the add-in as Office loads it.
struct Office {
  explicit Office(sim::HostOptions options)
      : bridge(options.kind == sim::HostKind::Word    ? L"Microsoft Word"
               : options.kind == sim::HostKind::Excel ? L"Microsoft Excel"
                                                      : L"Microsoft PowerPoint"),
        vaultClass(kVaultProgId, kVaultClsid, bridge, [this] { return vaults.createObject(); }) {
    // The add-in's settings of an earlier run must not change this one.
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Palvantis\\LockfolioAddIn");
    vaults.addVault({L"Demo", L'V', L"secret"});
    // Excel is an English Excel under other regional settings: it answers only callers that speak
    // 1033 to it, as Office's own macro language does and the add-in must.
    bridge.setEnglishExcel(options.kind == sim::HostKind::Excel);
    app = sim::Application::start(machine, options);
  }
  ~Office() {
    if (app && app->running()) app->terminate();
    // The vault's drive goes with the run.
    if (!mappedFolder.empty()) {
      DefineDosDeviceW(DDD_REMOVE_DEFINITION, L"V:", mappedFolder.c_str());
      RemoveDirectoryW(mappedFolder.c_str());
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
  }
  Office(const Office&) = delete;
  Office& operator=(const Office&) = delete;

  // Logging in mounts the vault: its drive letter becomes a folder on C: for the whole process.
  void mount(const sim::VaultDefinition& vault) {
    mounted.push_back(vault.name);
    if (!mappedFolder.empty()) return;
    const std::wstring folder = tempFolder() + L"lockfolio-vault-" + vault.name;
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring drive = std::wstring(1, vault.drive) + L":";
    if (DefineDosDeviceW(0, drive.c_str(), folder.c_str())) mappedFolder = folder;
  }

  std::shared_ptr<sim::CommandBar> toolbar() const { return app->commandBar(L"Lockfolio"); }
  std::vector<std::wstring> toolbarTags() const {
    std::vector<std::wstring> tags;
    if (auto bar = toolbar()) {
      for (const auto& control : bar->controls()) tags.push_back(control->tag());
    }
    return tags;
  }
  std::shared_ptr<sim::CommandBarControl> menu() const {
    auto bar = app->menuBar();
    return bar ? bar->controlByTag(L"Lockfolio") : nullptr;
  }
  // Lets go of the add-in: nothing of the host may still be held or advised afterwards.
  void release(ComAddInClient& addIn) {
    addIn.release();
    CHECK(bridge.advisedConnections() == 0);
    CHECK(bridge.liveBridges() == 0);
  }
  // Every failure of an event handler is shown with its text.
  void checkNoEventFailures() const {
    for (const auto& failure : app->eventFailures()) CHECK_TEXT(failure.event + L": " + failure.error.description(), L"");
  }

  platform::win32::Win32Platform services{GetModuleHandleW(nullptr)};
  sim::Machine machine{services.platform(), std::make_unique<sim::FunctionPathMapper>(throughDosDevices)};
  sim::VaultService vaults{[this](const sim::VaultDefinition& vault) { mount(vault); },
                          [this](const std::wstring& path) { return services.platform().fileSystem.fileExists(path); }};
  std::vector<std::wstring> mounted;
  std::wstring mappedFolder;  // what the vault's drive letter stands for, once mounted
  DispatchBridge bridge;
  ClassRegistration vaultClass;
  MessageBoxCapture boxes;
  std::shared_ptr<sim::Application> app;
};

sim::HostOptions host(sim::HostKind kind, std::wstring version = L"11.0") {
  sim::HostOptions options;
  options.kind = kind;
  options.version = std::move(version);
  return options;
}

// The add-in traps a failed connection itself: it tells the user and builds nothing.
void aFailedConnectionShowsAMessageBoxAndBuildsNothing() {
  const struct {
    const wchar_t* name;  // Excel under Word's name: the bridge refuses Word's _Application
    bool hasActiveMenuBar;
    const wchar_t* after;  // what the message says after its first line, where it is sure
  } cases[] = {{L"Microsoft Excel", false, nullptr}, {L"Microsoft Word", true, L"\r\n\r\nError: 13 - Type mismatch"}};
  for (const auto& c : cases) {
    sim::HostOptions options = host(sim::HostKind::Excel);
    options.name = c.name;
    options.hasActiveMenuBar = c.hasActiveMenuBar;
    Office office(options);
    ComAddInClient addIn(kProgId, office.bridge);
    office.app->connectAddIn(addIn, sim::kConnectStartup);
    CHECK(office.boxes.boxes().size() == 1);
    if (!office.boxes.boxes().empty()) {
      CHECK_TEXT(office.boxes.boxes()[0].caption, L"Lockfolio");
      CHECK(office.boxes.boxes()[0].text.rfind(kLoadErrorPrefix, 0) == 0);
      if (c.after) CHECK_TEXT(office.boxes.boxes()[0].text, std::wstring(kLoadErrorPrefix) + c.after);
    }
    CHECK(!office.toolbar() && !office.menu());
    office.app->disconnectAddIn(sim::kDisconnectUserClosed);
    office.release(addIn);
  }
}

std::wstring addInString(UINT id) {
  const wchar_t* text = nullptr;
  const int length = LoadStringW(addInModule, id, reinterpret_cast<LPWSTR>(&text), 0);
  return length > 0 ? std::wstring(text, static_cast<std::size_t>(length)) : std::wstring();
}

void saveAsAndEncryptPutsADocumentIntoTheVault() {
  Office office(host(sim::HostKind::Word));
  ComAddInClient addIn(kProgId, office.bridge);
  CHECK(office.app->connectAddIn(addIn, sim::kConnectStartup));
  CHECK(office.app->newDocument());
  auto bar = office.toolbar();
  auto saveAs = bar ? bar->controlByTag(L"tbSaveAsCloseEncrypt") : nullptr;
  CHECK(saveAs);
  if (!saveAs) return;
  office.vaults.answerLogin(L"Demo", L"secret");
  office.machine.user().choose(L"V:\\Report.doc");
  const std::size_t changesBefore = office.machine.wordFileLocationChanges().size();

  CHECK(office.app->click(saveAs).clicked);
  office.checkNoEventFailures();
  for (const auto& box : office.boxes.boxes()) CHECK_TEXT(box.text, L"");
  CHECK(office.vaultClass.created() == 1);
  CHECK(office.vaults.loginWindowsShown() == 1);
  CHECK(office.vaults.logins().size() == 1);
  if (!office.vaults.logins().empty()) CHECK(office.vaults.logins()[0].result == sim::kVaultLoggedIn);
  CHECK(office.mounted == std::vector<std::wstring>{L"Demo"});
  CHECK(!office.mappedFolder.empty());
  const sim::ShownDialog* dialog = office.machine.user().lastDialog();
  CHECK(dialog);
  if (dialog) {
    CHECK(dialog->request.kind == sim::DialogKind::SaveAs);
    CHECK_TEXT(dialog->request.initialFolder, L"V:\\");
    CHECK_TEXT(dialog->result, L"V:\\Report.doc");
  }
  // Saved through the drive letter, and so into the vault's folder on C:.
  CHECK(office.machine.fileExists(L"V:\\Report.doc"));
  if (!office.mappedFolder.empty()) CHECK(fileOnDisk(office.mappedFolder + L"\\Report.doc"));
  // Word's document folder was pointed at the vault for the dialog, then put back.
  const auto& changes = office.machine.wordFileLocationChanges();
  CHECK(changes.size() > changesBefore);
  if (!changes.empty()) {
    CHECK_TEXT(changes.back().key, L"DOC-PATH");
    CHECK_TEXT(changes.back().folder, kDocumentsFolder);
  }
  CHECK(office.machine.wordFileLocation(L"DOC-PATH") == std::optional<std::wstring>(kDocumentsFolder));

  if (!office.mappedFolder.empty()) DeleteFileW((office.mappedFolder + L"\\Report.doc").c_str());

  // A protected document is refused after the log-in, with the critical-stop box and no dialog.
  const std::wstring folder = tempFolder() + L"Palvantis";
  const std::wstring path = folder + L"\\settings.doc";
  CreateDirectoryW(folder.c_str(), nullptr);
  CHECK(office.machine.writeFile(path, L"config"));
  CHECK(office.app->openDocument(path));
  office.vaults.answerLogin(L"Demo", L"secret");
  const std::size_t dialogs = office.machine.user().shownDialogs().size();
  CHECK(office.app->click(saveAs).clicked);
  CHECK(office.app->eventFailures().empty());
  CHECK(office.vaults.loginWindowsShown() == 2);
  CHECK(office.machine.user().shownDialogs().size() == dialogs);
  CHECK(office.boxes.boxes().size() == 1);
  if (!office.boxes.boxes().empty()) {
    const auto& box = office.boxes.boxes()[0];
    const std::wstring expected = addInString(kCriticalFileMessage);
    CHECK(!expected.empty());
    CHECK_TEXT(box.text, expected);
    CHECK_TEXT(box.caption, L"LockfolioAddIn");
    // The critical-stop icon (MB_ICONHAND), the system's shared one.
    CHECK(box.icon);
    CHECK(box.icon == LoadIconW(nullptr, IDI_HAND));
  }
  CHECK(office.app->quit());
  office.release(addIn);
  DeleteFileW(path.c_str());
  RemoveDirectoryW(folder.c_str());
}

std::shared_ptr<sim::CommandBarControl> menuItem(const Office& office, const std::wstring& tag) {
  auto popup = office.menu();
  return popup && popup->menu() ? popup->menu()->controlByTag(tag) : nullptr;
}

void aNewDocumentStoresThePlacementWhichTheNextConnectionUses() {
  Office office(host(sim::HostKind::Word));
  {
    ComAddInClient addIn(kProgId, office.bridge);
    CHECK(office.app->connectAddIn(addIn, sim::kConnectStartup));
    auto bar = office.toolbar();
    auto saveItem = menuItem(office, L"mSaveCloseEncrypt");
    auto saveButton = bar ? bar->controlByTag(L"tbSaveAsCloseEncrypt") : nullptr;
    CHECK(bar && saveItem && saveButton);
    if (!bar || !saveItem || !saveButton) return;
    saveItem->setEnabled(false);
    saveButton->setEnabled(false);
    bar->dragTo(kBarLeft, 1, 30);
    CHECK(office.app->newDocument());
    CHECK(office.app->eventFailures().empty());
    CHECK(storedNumber(L"Word", L"Left") == std::optional<DWORD>(30));
    CHECK(storedNumber(L"Word", L"Index") == std::optional<DWORD>(1));
    CHECK(storedNumber(L"Word", L"Width") == std::optional<DWORD>(static_cast<DWORD>(bar->width())));
    CHECK(storedNumber(L"Word", L"Position") == std::optional<DWORD>(static_cast<DWORD>(kBarLeft)));
    CHECK(saveItem->enabled());
    CHECK(saveButton->enabled());

    bar->dragTo(kBarBottom, 2, 150);
    CHECK(office.app->disconnectAddIn(sim::kDisconnectUserClosed));
    CHECK(office.app->eventFailures().empty());
    CHECK(storedNumber(L"Word", L"Position") == std::optional<DWORD>(kBarBottom));
    CHECK(storedNumber(L"Word", L"Left") == std::optional<DWORD>(150));
    office.release(addIn);
  }
  ComAddInClient again(kProgId, office.bridge);
  CHECK(office.app->connectAddIn(again, sim::kConnectStartup));
  auto bar = office.toolbar();
  CHECK(bar);
  if (bar) {
    CHECK(bar->position() == kBarBottom && bar->rowIndex() == 2 && bar->left() == 150);
  }
  CHECK(office.app->disconnectAddIn(sim::kDisconnectUserClosed));
  office.release(again);
}

void anExcelDoubleClickSwitchesOpenOffUntilTheSelectionChanges() {
  Office office(host(sim::HostKind::Excel, L"12.0"));
  ComAddInClient addIn(kProgId, office.bridge);
  CHECK(office.app->connectAddIn(addIn, sim::kConnectStartup));
  CHECK(office.app->newDocument());
  auto openItem = menuItem(office, L"mOpenEncryptedFile");
  auto bar = office.toolbar();
  auto openButton = bar ? bar->controlByTag(L"tbOpenEncryptedFile") : nullptr;
  auto ribbon = office.app->customUi(addIn);
  CHECK(openItem && openButton && ribbon);
  if (!openItem || !openButton || !ribbon) return;
  // The tab's button follows the add-in's state once the add-in invalidated it through IRibbonUI.
  const auto onTab = [&] { return ribbon->button(kRibbonOpen) && ribbon->button(kRibbonOpen)->enabled; };
  CHECK(openItem->enabled() && openButton->enabled() && onTab());

  CHECK(!office.app->doubleClickCell(L"B2"));  // not cancelled: Excel edits the cell
  CHECK(office.app->eventFailures().empty());
  CHECK(!openItem->enabled());
  CHECK(!openButton->enabled());
  CHECK(!onTab());
  CHECK(!ribbon->click(kRibbonOpen));
  CHECK(menuItem(office, L"mSaveCloseEncrypt") && menuItem(office, L"mSaveCloseEncrypt")->enabled());
  office.app->selectCell(L"C3");
  CHECK(office.app->eventFailures().empty());
  CHECK(openItem->enabled());
  CHECK(openButton->enabled());
  CHECK(onTab());

  // The user deletes the toolbar: the tab's buttons stay enabled, follow the add-in through the next
  // double-click and selection change, and a click on them reaches the vault without an error box.
  CHECK(office.app->deleteToolbarByUser(L"Lockfolio"));
  CHECK(onTab());
  CHECK(ribbon->button(L"PalvantisLockfolio.tbSaveCloseEncrypt")->enabled);
  CHECK(!office.app->doubleClickCell(L"C3"));
  CHECK(!onTab() && !openItem->enabled());
  office.app->selectCell(L"D4");
  CHECK(onTab() && openItem->enabled());
  CHECK(ribbon->click(kRibbonOpen));
  CHECK(office.vaults.loginWindowsShown() == 1);
  CHECK(office.boxes.boxes().empty());

  CHECK(office.app->quit());
  office.release(addIn);
}

// The packed DIB of one of the add-in DLL's BITMAP resources, as it is stored.
std::vector<std::uint8_t> addInResource(int id) {
  const HRSRC found = FindResourceW(addInModule, MAKEINTRESOURCEW(id), RT_BITMAP);
  const HGLOBAL loaded = found ? LoadResource(addInModule, found) : nullptr;
  const auto* bytes = loaded ? static_cast<const std::uint8_t*>(LockResource(loaded)) : nullptr;
  return bytes ? std::vector<std::uint8_t>(bytes, bytes + SizeofResource(addInModule, found)) : std::vector<std::uint8_t>();
}

// The tab's pictures as the host got them through getImage: each command's own, drawn for the
// scale `dpi` (Office's 32, 40, 48 or 64 pixels), 32 bits a pixel with straight alpha, partial on
// the smooth edges: the DLL's bitmap, pixel for pixel, through a DIB section.
void checkRibbonPictures(const sim::CustomUi& ribbon, UINT dpi) {
  const int sizeIndex = dpi >= 192 ? 3 : dpi >= 144 ? 2 : dpi >= 120 ? 1 : 0;
  const std::int32_t side = std::vector<std::int32_t>{32, 40, 48, 64}[static_cast<std::size_t>(sizeIndex)];
  CHECK(ribbon.tabs().size() == 1 && ribbon.tabs()[0].groups.size() == 1);
  if (ribbon.tabs().size() != 1 || ribbon.tabs()[0].groups.size() != 1) return;
  const auto& buttons = ribbon.tabs()[0].groups[0].buttons;
  CHECK(buttons.size() == 3);
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    const auto& image = buttons[i].image;
    CHECK(image && image->pixelWidth() == side && image->pixelHeight() == side);
    if (!image) continue;
    const auto& dib = image->dib();
    CHECK(dib.size() == 40 + static_cast<std::size_t>(side * side * 4) && dib[14] == 32);
    if (dib.size() != 40 + static_cast<std::size_t>(side * side * 4)) continue;
    int partial = 0;
    for (std::size_t p = 40 + 3; p < dib.size(); p += 4) partial += dib[p] > 0 && dib[p] < 255;
    CHECK(partial > side);
    const auto resource = addInResource(201 + 10 * static_cast<int>(i) + sizeIndex);
    CHECK(resource.size() == dib.size() && std::equal(dib.begin() + 40, dib.end(), resource.begin() + 40));
  }
}

// A bitmap resource of the add-in DLL as GDI loads it, read back as the simulator keeps faces.
std::optional<wine_host::DibPixels> addInBitmap(int id) {
  struct Loaded {
    HBITMAP bitmap;
    ~Loaded() {
      if (bitmap) DeleteObject(bitmap);
    }
  } loaded{static_cast<HBITMAP>(
      LoadImageW(addInModule, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION))};
  const auto dib = wine_host::bitmapToDib24(loaded.bitmap);
  return dib ? wine_host::dibPixels(*dib) : std::nullopt;
}

std::optional<wine_host::DibPixels> pixelsOf(const std::optional<std::vector<std::uint8_t>>& dib) {
  return dib ? wine_host::dibPixels(*dib) : std::nullopt;
}

struct Face {
  const wchar_t* button;
  const wchar_t* menuItem;
  int picture;
  int mask;
};
constexpr Face kFaces[] = {
    {L"tbOpenEncryptedFile", L"mOpenEncryptedFile", 101, 102},
    {L"tbSaveCloseEncrypt", L"mSaveCloseEncrypt", 103, 104},
    {L"tbSaveAsCloseEncrypt", L"mSaveAsCloseEncrypt", 105, 106},
};

void facesArriveAsTheDllsBitmaps() {
  // The three faces differ, so that a face on the wrong button would show.
  CHECK(addInBitmap(101) && addInBitmap(103) && addInBitmap(105));
  CHECK(!(addInBitmap(101) == addInBitmap(103)));
  CHECK(!(addInBitmap(103) == addInBitmap(105)));
  // Version 11.0 sets Picture and Mask with pictures the add-in made; 9.0 has no Picture, so each
  // face goes through the system clipboard and PasteFace, for the buttons (the menu's items have none).
  for (const wchar_t* version : {L"11.0", L"9.0"}) {
    const bool pasted = version[0] == L'9';
    Office office(host(sim::HostKind::Word, version));
    ComAddInClient addIn(kProgId, office.bridge);
    CHECK(office.app->connectAddIn(addIn, sim::kConnectStartup));
    CHECK(office.boxes.boxes().empty());
    auto bar = office.toolbar();
    CHECK(bar);
    for (const Face& face : kFaces) {
      auto button = bar ? bar->controlByTag(face.button) : nullptr;
      auto item = menuItem(office, face.menuItem);
      CHECK(button && item);
      if (!button || !item) continue;
      const auto picture = addInBitmap(face.picture);
      const auto mask = addInBitmap(face.mask);
      CHECK(picture && mask);
      CHECK(pixelsOf(button->pastedFace()) == (pasted ? picture : std::nullopt));
      CHECK(pixelsOf(button->pictureDib()) == (pasted ? std::nullopt : picture));
      if (!pasted) {
        CHECK(pixelsOf(button->maskDib()) == mask);
        CHECK(pixelsOf(item->pictureDib()) == picture && pixelsOf(item->maskDib()) == mask);
      }
    }
    CHECK(office.app->disconnectAddIn(sim::kDisconnectUserClosed));
    office.release(addIn);
  }
}

// A compiled client passes each variable as a reference to its own type, which need not be the
// parameter's: the class converts, calls, and writes the result back in the caller's type.
void theClassesTakeTypedReferencesFromACompiledClient() {
  using automation::Arg;
  using automation::Variant;
  automation::win32::ComObjectFactory factory;
  const automation::Object folder = factory.create(L"LockfolioAddIn.clsSessionFolder");
  const automation::Object addIn = factory.create(L"LockfolioAddIn.ClassAddIn");
  CHECK(folder && addIn);
  if (!folder || !addIn) return;
  const std::wstring base = tempFolder() + L"typed-references-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
  CHECK(CreateDirectoryW(base.c_str(), nullptr));
  Variant category(std::int32_t{1});  // a long for a short*
  Variant counter(std::int32_t{0});
  CHECK(folder.call(L"NextFolder", {Arg(base), Arg::byRef(category), Arg::byRef(counter)}) == Variant(L"vfn10001\\"));
  CHECK(counter == Variant(std::int32_t{1}));
  Variant fileCounter(std::int16_t{9998});  // a short for a VARIANT*
  CHECK(folder.call(L"NextFilename", {Arg::byRef(category), Arg::byRef(fileCounter)}) == Variant(L"vfin10000"));
  CHECK(fileCounter == Variant(std::int16_t{0}));
  Variant length(1.5);  // a double for a long*
  const std::wstring storage = addIn.call(L"GetFileStorageLocation", {Arg::byRef(length)}).toString();
  CHECK(length == Variant(static_cast<double>(tempFolder().size())));
  CHECK(storage.size() > tempFolder().size());
  Variant notANumber(L"two");
  const auto refused = [&](Variant& given) {
    try {
      folder.call(L"RemoveFolders", {Arg(base), Arg::byRef(given)});
    } catch (const automation::ComError& error) {
      return error.number() == static_cast<std::int32_t>(DISP_E_TYPEMISMATCH);
    }
    return false;
  };
  CHECK(refused(notANumber));
  Variant anObject(folder);  // converts through its default member, but could not take a number back
  CHECK(refused(anObject));
  folder.call(L"RemoveFolders", {Arg(base), Arg::byRef(category)});
  CHECK(RemoveDirectoryW(base.c_str()));
}

void connectsToEachHostWithCommandBarsAndFromVersion12ARibbonTab() {
  for (const sim::HostKind kind : {sim::HostKind::Word, sim::HostKind::Excel, sim::HostKind::PowerPoint}) {
    for (const wchar_t* version : {L"11.0", L"16.0"}) {
      const bool ribbonHost = version[1] == L'6';
      Office office(host(kind, version));
      ComAddInClient addIn(kProgId, office.bridge);
      CHECK(office.app->connectAddIn(addIn, sim::kConnectStartup));
      office.checkNoEventFailures();
      CHECK(addIn.ribbonQueries() == (ribbonHost ? 1 : 0));
      // The command bars are built under a ribbon too, where they show on the Add-Ins tab.
      CHECK(office.menu());
      CHECK(office.toolbarTags() ==
            (std::vector<std::wstring>{L"tbOpenEncryptedFile", L"tbSaveCloseEncrypt", L"tbSaveAsCloseEncrypt"}));
      CHECK(office.boxes.boxes().empty());
      // The add-in listens to the application and to its buttons.
      CHECK(office.bridge.advisedConnections() >= 1);
      const auto ribbon = office.app->customUi(addIn);
      CHECK(static_cast<bool>(ribbon) == ribbonHost);
      if (ribbon && ribbon->tabs().size() == 1 && ribbon->tabs()[0].groups.size() == 1) {
        CHECK_TEXT(ribbon->tabs()[0].label, addInString(105));
        const auto& buttons = ribbon->tabs()[0].groups[0].buttons;
        CHECK(buttons.size() == 3);
        for (std::size_t i = 0; i < buttons.size(); ++i) {
          CHECK_TEXT(buttons[i].label, addInString(static_cast<UINT>(107 + i)));
        }
        checkRibbonPictures(*ribbon, expectedDpi);
        // A callback given no control answers without failing.
        std::vector<automation::Arg> nothing{automation::Arg(automation::Variant(automation::Object()))};
        sim::RibbonExtensibility* callbacks = addIn.queryRibbonExtensibility();
        CHECK(callbacks && callbacks->invokeCallback(L"LockfolioRibbon_GetEnabled", nothing).toBool());
        // A click on the tab starts the command: nobody answers the log-in, so it ends quietly.
        CHECK(office.app->customUi(addIn) == ribbon);
        CHECK(ribbon->click(kRibbonOpen));
        CHECK(office.vaultClass.created() == 1);
        CHECK(office.vaults.loginWindowsShown() == 1);
        CHECK(office.app->eventFailures().empty());
        CHECK(office.boxes.boxes().empty());
      }
      CHECK(office.app->disconnectAddIn(sim::kDisconnectUserClosed));
      CHECK(office.app->eventFailures().empty());
      CHECK(!office.app->customUi(addIn));
      CHECK(!office.menu() && !office.toolbar());
      office.release(addIn);
    }
  }
}

using DllEntry = HRESULT(STDAPICALLTYPE*)();

DllEntry entry(const char* name) {
  return reinterpret_cast<DllEntry>(reinterpret_cast<void*>(GetProcAddress(addInModule, name)));
}

// --- Every bridge call of a road failing in turn --------------------------------------------------

// A road: from a connected add-in (unless it is the connection itself), one step of the user. A
// click's vault log-in is answered and its file dialog cancelled, or (`vault` false) the log-in
// window is closed: Wine's file system does not follow the vault's drive letter, which Excel's
// and PowerPoint's dialogs are opened on.
struct Road {
  const char* name;
  sim::HostKind kind;
  enum Step { Connect, Disconnect, Click } step;
  const wchar_t* button;
  bool vault;
};
constexpr Road kRoads[] = {
    {"connection", sim::HostKind::Word, Road::Connect, nullptr, false},
    {"disconnection", sim::HostKind::Word, Road::Disconnect, nullptr, false},
    {"Word: Save As and Encrypt", sim::HostKind::Word, Road::Click, L"tbSaveAsCloseEncrypt", true},
    {"Excel: Open Encrypted File", sim::HostKind::Excel, Road::Click, L"tbOpenEncryptedFile", false},
    {"PowerPoint: Save As and Encrypt", sim::HostKind::PowerPoint, Road::Click, L"tbSaveAsCloseEncrypt", false},
};

std::size_t lockfolioMenus(const Office& office) {
  std::size_t menus = 0;
  for (const auto& control : office.app->bars().allControls()) menus += control->tag() == L"Lockfolio" ? 1 : 0;
  return menus;
}
std::size_t lockfolioToolbars(const Office& office) {
  std::size_t bars = 0;
  for (const auto& bar : office.app->bars().bars()) bars += bar->name() == L"Lockfolio" ? 1 : 0;
  return bars;
}

// Takes the road; true when it went as without any fault.
bool take(const Road& road, Office& office, ComAddInClient& addIn) {
  if (road.step == Road::Connect) {
    return office.app->connectAddIn(addIn, sim::kConnectStartup) && lockfolioMenus(office) == 1 &&
           office.toolbarTags().size() == 3;
  }
  if (road.step == Road::Disconnect) {
    return office.app->disconnectAddIn(addIn, sim::kDisconnectUserClosed) && lockfolioMenus(office) == 0 &&
           lockfolioToolbars(office) == 0;
  }
  const auto bar = office.toolbar();
  const auto button = bar ? bar->controlByTag(road.button) : nullptr;
  const auto shown = [&] {
    return road.vault ? office.machine.user().shownDialogs().size() : office.vaults.loginWindowsShown();
  };
  const std::size_t before = shown();
  return button && office.app->click(button).clicked && shown() == before + 1;
}

// Everything up to the road, with nothing failing.
void prepare(const Road& road, Office& office, ComAddInClient& addIn) {
  if (road.step != Road::Connect) CHECK(office.app->connectAddIn(addIn, sim::kConnectStartup));
  if (road.step == Road::Click) CHECK(office.app->newDocument());
  if (road.vault) office.vaults.answerLogin(L"Demo", L"secret");
}

// Nothing of the add-in is held or advised, and its module may unload (which first tries again
// what the host refused to end).
void checkNothingAlive(Office& office) {
  const DllEntry canUnload = entry("DllCanUnloadNow");
  CHECK(canUnload && canUnload() == S_OK);
  CHECK(office.bridge.advisedConnections() == 0);
  CHECK(office.bridge.liveBridges() == 0);
}

// One run of the road with call `at` failing once or, `gone`, from there on (0: nothing fails).
// Returns the calls the road made, or with a fault the failures injected.
std::size_t runWithFault(const Road& road, std::size_t at, bool gone) {
  Office office(host(road.kind));
  std::size_t calls = 0;
  {
    ComAddInClient addIn(kProgId, office.bridge);
    prepare(road, office, addIn);
    office.bridge.faults().arm(at, gone);
    try {
      const bool went = take(road, office, addIn);
      if (at == 0) CHECK(went);
    } catch (const ComError& error) {
      CHECK_TEXT(L"the road raised " + error.description(), L"");
    }
    calls = at == 0 ? office.bridge.faults().calls() : office.bridge.faults().injected();
    office.bridge.faults().disarm();
    if (office.app->isConnected(addIn)) office.app->disconnectAddIn(addIn, sim::kDisconnectUserClosed);
    addIn.release();
  }
  checkNothingAlive(office);
  // The host is still usable: a new start finds one menu and one toolbar of three buttons, and
  // the road goes as without a fault.
  office.app->clearEventFailures();
  office.boxes.clear();
  {
    ComAddInClient again(kProgId, office.bridge);
    CHECK(office.app->connectAddIn(again, sim::kConnectStartup));
    CHECK(lockfolioMenus(office) == 1 && lockfolioToolbars(office) == 1 && office.toolbarTags().size() == 3);
    if (road.vault) office.vaults.answerLogin(L"Demo", L"secret");
    if (road.step != Road::Connect) CHECK(take(road, office, again));
    if (office.app->isConnected(again)) CHECK(office.app->disconnectAddIn(again, sim::kDisconnectUserClosed));
    office.checkNoEventFailures();
    for (const auto& box : office.boxes.boxes()) CHECK_TEXT(box.text, L"");
    again.release();
  }
  checkNothingAlive(office);
  return calls;
}

// Each road: its calls counted, then each failing in turn, once and from there on.
const char* onlyRoad = "";  // a road's name given on the command line: only that one

void everyBridgeCallOfEachRoadFailsInTurn() {
  for (const Road& road : kRoads) {
    if (*onlyRoad && std::string(road.name) != onlyRoad) continue;
    const DWORD started = GetTickCount();
    const std::size_t calls = runWithFault(road, 0, false);
    std::size_t losses[2] = {0, 0};
    std::size_t injected[2] = {0, 0};
    for (std::size_t at = 1; at <= calls; ++at) {
      for (const bool gone : {false, true}) {
        const int before = wine_host::testing::harness.failedChecks;
        const std::size_t failures = runWithFault(road, at, gone);
        CHECK(failures >= 1 && (gone || failures == 1));  // the road reached call `at` again
        injected[gone] += failures;
        if (wine_host::testing::harness.failedChecks != before) {
          ++losses[gone];
          std::printf("  loss: %s, call %zu failing %s\n", road.name, at, gone ? "from there on" : "once");
        }
      }
    }
    std::printf("  road %-32s %4zu calls; runs %4zu + %4zu, failures injected %4zu + %5zu; with a loss %zu + %zu; %.1f s\n",
                road.name, calls, calls, calls, injected[0], injected[1], losses[0], losses[1],
                (GetTickCount() - started) / 1000.0);
    std::fflush(stdout);
  }
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::printf("usage: host_test <LockfolioAddIn.dll> [DPI]\n0 passed, 1 failed\n");
    return 2;
  }
  // Office is DPI-aware: it sees the display's own scale, not one virtualized to 96.
  SetProcessDPIAware();
  // The second argument: --faults [road] for the enumeration of failures only (the label "faults"),
  // or the display's DPI that the ribbon's pictures must be drawn for.
  const std::wstring mode = argc > 2 ? argv[2] : L"";
  if (!mode.empty() && mode != L"--faults") expectedDpi = static_cast<UINT>(std::wcstoul(mode.c_str(), nullptr, 10));
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
    std::printf("CoInitializeEx failed\n0 passed, 1 failed\n");
    return 1;
  }
  addInModule = LoadLibraryW(argv[1]);
  DllEntry registerServer = addInModule ? entry("DllRegisterServer") : nullptr;
  if (!registerServer || FAILED(registerServer())) {
    std::printf("cannot load or register %s\n0 passed, 1 failed\n", platform::toUtf8(argv[1]).c_str());
    return 1;
  }
  static std::string road = argc > 3 ? platform::toUtf8(argv[3]) : std::string();
  onlyRoad = road.c_str();
  const std::vector<wine_host::testing::TestCase> faults = {
      {"Every bridge call of each road fails in turn, and nothing is lost", everyBridgeCallOfEachRoadFailsInTurn}};
  // At another display scale (the prefix's LogPixels set), the ribbon's pictures drawn for it.
  const std::vector<wine_host::testing::TestCase> atScale = {
      {"At the system's display scale: the command bars and the ribbon tab with its pictures drawn for it",
       connectsToEachHostWithCommandBarsAndFromVersion12ARibbonTab}};
  const int result = mode == L"--faults" ? wine_host::testing::runTests(faults)
                     : !mode.empty()     ? wine_host::testing::runTests(atScale)
                                         : wine_host::testing::runTests({
      {"A failed connection (no menu bar, no typed interface) shows a message box and builds nothing",
       aFailedConnectionShowsAMessageBoxAndBuildsNothing},
      {"Save As and Encrypt puts a Word document into the vault, and refuses a protected one with a critical box",
       saveAsAndEncryptPutsADocumentIntoTheVault},
      {"A new document stores the placement, which the next connection uses",
       aNewDocumentStoresThePlacementWhichTheNextConnectionUses},
      {"An Excel double-click switches Open off until the selection changes",
       anExcelDoubleClickSwitchesOpenOffUntilTheSelectionChanges},
      {"Button faces arrive as the DLL's bitmaps, set or pasted", facesArriveAsTheDllsBitmaps},
      {"The classes take typed references from a compiled client", theClassesTakeTypedReferencesFromACompiledClient},
      {"It connects to each host, builds its command bars and, from version 12.0, its ribbon tab",
       connectsToEachHostWithCommandBarsAndFromVersion12ARibbonTab},
  });
  if (DllEntry unregisterServer = entry("DllUnregisterServer")) unregisterServer();
  FreeLibrary(addInModule);
  CoUninitialize();
  return result;
}
