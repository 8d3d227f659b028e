// How long the real add-in takes to load into a simulated Word and to handle one document event,
// next to a do-nothing add-in and a do-nothing event sink that go through COM the same way.
// Office disables an add-in whose load takes about a second; the add-in aims at under 1% of that.
//
// Usage: load_benchmark <path of LockfolioAddIn.dll> [runs]   (runs: at least 20, 25 by default)
// Registers the DLL for the run and unregisters it at the end. Prints a table of the medians (with
// min and max) in milliseconds and a one-line verdict. Exits non-zero when something failed (a
// connection, an event handler, a message box); the figures themselves never fail it.

#include <windows.h>

#include <ocidl.h>
#include <ole2.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <initializer_list>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "automation/com_error.h"
#include "bench/call_counters.h"
#include "automation/win32/com_ptr.h"
#include "platform/win32/win32_platform.h"
#include "sim/application.h"
#include "sim/machine.h"
#include "sim/path_mapper.h"
#include "sim/com/class_registration.h"
#include "sim/com/com_add_in_client.h"
#include "sim/com/com_object.h"
#include "sim/com/dispatch_bridge.h"
#include "sim/com/message_box_capture.h"
#include "sim/com/office_ids.h"

namespace {

using automation::ComError;
using automation::win32::ComPtr;
using wine_host::ComAddInClient;
using wine_host::DispatchBridge;
using wine_host::Extensibility2;
using wine_host::MessageBoxCapture;

constexpr wchar_t kProgId[] = L"LockfolioAddIn.Connect";
constexpr wchar_t kBaselineProgId[] = L"LockfolioBench.NullAddIn";
// The benchmark's own class for the do-nothing add-in.
constexpr CLSID kBaselineClsid = {0x5c0e93d2, 0x7b41, 0x4f6a, {0x9e, 0x13, 0x2d, 0x80, 0xa6, 0x57, 0xc1, 0x4e}};
constexpr int kDefaultRuns = 25;
constexpr int kMinimumRuns = 20;
constexpr double kOfficeLimitMs = 1000.0;
constexpr double kTargetPercent = 1.0;

// Something went wrong that makes the figures meaningless.
struct BenchFailure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

std::string narrow(const std::wstring& text) {
  std::string result;
  for (const wchar_t c : text) result.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return result;
}

// --- Time -----------------------------------------------------------------------------------------

class Clock {
 public:
  Clock() {
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    ticksPerMs_ = static_cast<double>(frequency.QuadPart) / 1000.0;
  }
  static LONGLONG now() {
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
  }
  double ms(LONGLONG from, LONGLONG to) const { return static_cast<double>(to - from) / ticksPerMs_; }

 private:
  double ticksPerMs_ = 1.0;
};

struct Summary {
  double median = 0;
  double min = 0;
  double max = 0;
};

Summary summarize(std::vector<double> samples) {
  Summary summary;
  if (samples.empty()) return summary;
  std::sort(samples.begin(), samples.end());
  const std::size_t middle = samples.size() / 2;
  summary.median =
      samples.size() % 2 == 1 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2.0;
  summary.min = samples.front();
  summary.max = samples.back();
  return summary;
}

// --- The do-nothing add-in, served by this process through COM --------------------------------------

// IDispatch that names nothing and accepts every call, with nothing done.
template <class Interface>
class NullDispatch : public wine_host::ComObject<Interface> {
 public:
  explicit NullDispatch(std::initializer_list<IID> interfaces) : wine_host::ComObject<Interface>(interfaces) {}
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return S_OK;
  }
};

// Every notification returns S_OK at once.
class NullAddIn final : public NullDispatch<Extensibility2> {
 public:
  NullAddIn() : NullDispatch({IID_IDispatch, wine_host::kIidExtensibility2}) {}
  HRESULT STDMETHODCALLTYPE OnConnection(IDispatch*, int, IDispatch*, SAFEARRAY**) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnDisconnection(int, SAFEARRAY**) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY**) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY**) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY**) override { return S_OK; }
};

class NullAddInFactory final : public wine_host::ComObject<IClassFactory> {
 public:
  NullAddInFactory() : ComObject({IID_IClassFactory}) {}
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    const auto object = ComPtr<NullAddIn>::adopt(new (std::nothrow) NullAddIn);
    if (!object) return E_OUTOFMEMORY;
    return object->QueryInterface(iid, out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

// --- The do-nothing event sink ---------------------------------------------------------------------

// Answers for Word's application events and ignores every one.
class NullSink final : public NullDispatch<IDispatch> {
 public:
  NullSink() : NullDispatch({IID_IDispatch, wine_host::kIidWordApplicationEvents2}) {}
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    ++calls_;
    return S_OK;
  }

  int calls() const { return calls_; }

 private:
  int calls_ = 0;
};

// The sink advised on the application's connection point for as long as it lives.
class SinkConnection {
 public:
  SinkConnection(IDispatch* application, IUnknown* sink) {
    const auto container =
        ComPtr<IDispatch>::retain(application).query<IConnectionPointContainer>(IID_IConnectionPointContainer);
    if (!container) throw BenchFailure("the application offers no connection points");
    if (FAILED(container->FindConnectionPoint(wine_host::kIidWordApplicationEvents2, point_.put())) || !point_) {
      throw BenchFailure("the application has no connection point for Word's application events");
    }
    if (FAILED(point_->Advise(sink, &cookie_))) throw BenchFailure("Advise failed for the do-nothing sink");
  }
  ~SinkConnection() {
    if (point_ && cookie_ != 0) point_->Unadvise(cookie_);
  }
  SinkConnection(const SinkConnection&) = delete;
  SinkConnection& operator=(const SinkConnection&) = delete;

 private:
  ComPtr<IConnectionPoint> point_;
  DWORD cookie_ = 0;
};

// --- The simulated Word ----------------------------------------------------------------------------

// A fresh simulated Word on a fresh machine: nothing of an earlier run (bars, settings) is found.
struct Office {
  Office() {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Palvantis\\LockfolioAddIn");
    sim::HostOptions options;
    options.kind = sim::HostKind::Word;
    options.version = L"11.0";
    app = sim::Application::start(machine, options);
  }
  ~Office() {
    if (app && app->running()) app->terminate();
  }
  Office(const Office&) = delete;
  Office& operator=(const Office&) = delete;

  // Raises BenchFailure for anything the host recorded as failed, or a message box shown.
  void requireClean(const char* step) const {
    if (!app->eventFailures().empty()) {
      const auto& failure = app->eventFailures().front();
      throw BenchFailure(std::string(step) + ": " + narrow(failure.event) + " failed: " +
                         narrow(failure.error.description()));
    }
    if (!boxes.boxes().empty()) {
      throw BenchFailure(std::string(step) + ": a message box appeared: " + narrow(boxes.boxes().front().text));
    }
  }

  platform::win32::Win32Platform services{GetModuleHandleW(nullptr)};
  sim::Machine machine{services.platform(), std::make_unique<sim::IdentityPathMapper>()};
  DispatchBridge bridge{L"Microsoft Word"};
  MessageBoxCapture boxes;
  std::shared_ptr<sim::Application> app;
};

// Passes the host's notifications on to a COM add-in and notes when OnConnection returned: the
// host calls OnStartupComplete right after, which is not part of the load as Office times it.
class TimedAddIn final : public sim::ComAddIn {
 public:
  explicit TimedAddIn(ComAddInClient& client) : client_(client) {}
  void OnConnection(automation::Object application, std::int32_t connectMode, automation::Object addInInst,
                    automation::Variant& custom) override {
    client_.OnConnection(std::move(application), connectMode, std::move(addInInst), custom);
    connected_ = Clock::now();
  }
  void OnDisconnection(std::int32_t removeMode, automation::Variant& custom) override {
    client_.OnDisconnection(removeMode, custom);
  }
  void OnAddInsUpdate(automation::Variant& custom) override { client_.OnAddInsUpdate(custom); }
  void OnStartupComplete(automation::Variant& custom) override { client_.OnStartupComplete(custom); }
  void OnBeginShutdown(automation::Variant& custom) override { client_.OnBeginShutdown(custom); }

  LONGLONG connectedAt() const { return connected_; }

 private:
  ComAddInClient& client_;
  LONGLONG connected_ = 0;
};

// One load as Office times it: CoCreateInstance by ProgID to the return of OnConnection (startup
// mode), then disconnected and released outside the timing.
double timeLoad(const Clock& clock, const wchar_t* progId, bool realAddIn) {
  Office office;
  const LONGLONG start = Clock::now();
  ComAddInClient client(progId, office.bridge);
  TimedAddIn addIn(client);
  if (!office.app->connectAddIn(addIn, sim::kConnectStartup, progId)) {
    office.requireClean("connection");
    throw BenchFailure("the connection failed");
  }
  const double elapsed = clock.ms(start, addIn.connectedAt());
  office.requireClean("connection");
  if (realAddIn && !office.app->commandBar(L"Lockfolio")) throw BenchFailure("the add-in built no toolbar");
  if (!office.app->disconnectAddIn(addIn, sim::kDisconnectUserClosed)) throw BenchFailure("disconnection failed");
  office.requireClean("disconnection");
  client.release();
  if (office.bridge.advisedConnections() != 0) throw BenchFailure("event connections left after the release");
  return elapsed;
}

// The small document every event run opens.
std::wstring documentPath() {
  wchar_t folder[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
  if (length == 0 || length > MAX_PATH) throw BenchFailure("no temporary folder");
  return std::wstring(folder) + L"lockfolio-bench.doc";
}

// Opens the document (DocumentOpen raised and handled), times it, and closes it again untimed.
double timeDocumentOpen(const Clock& clock, Office& office, const std::wstring& path) {
  const LONGLONG start = Clock::now();
  const auto document = office.app->openDocument(path);
  const LONGLONG end = Clock::now();
  office.requireClean("DocumentOpen");
  if (!document || !office.app->closeDocument(document)) throw BenchFailure("the document did not close");
  office.requireClean("closing the document");
  return clock.ms(start, end);
}

std::vector<double> documentEventsWithTheAddIn(const Clock& clock, const std::wstring& path, int runs) {
  Office office;
  ComAddInClient client(kProgId, office.bridge);
  if (!office.app->connectAddIn(client, sim::kConnectStartup)) {
    office.requireClean("connection");
    throw BenchFailure("the connection failed");
  }
  office.requireClean("connection");
  if (!office.machine.writeFile(path, L"A small document.")) throw BenchFailure("cannot write " + narrow(path));
  std::vector<double> samples;
  for (int i = 0; i < runs; ++i) samples.push_back(timeDocumentOpen(clock, office, path));
  if (!office.app->disconnectAddIn(client, sim::kDisconnectUserClosed)) throw BenchFailure("disconnection failed");
  office.requireClean("disconnection");
  client.release();
  return samples;
}

std::vector<double> documentEventsWithTheNullSink(const Clock& clock, const std::wstring& path, int runs) {
  Office office;
  const auto application = ComPtr<IDispatch>::adopt(office.bridge.bridge(office.app->self()));
  const auto sink = ComPtr<NullSink>::adopt(new NullSink);
  std::vector<double> samples;
  {
    SinkConnection connection(application.get(), sink.get());
    if (!office.machine.writeFile(path, L"A small document.")) throw BenchFailure("cannot write " + narrow(path));
    for (int i = 0; i < runs; ++i) samples.push_back(timeDocumentOpen(clock, office, path));
  }
  if (sink->calls() < runs) throw BenchFailure("the do-nothing sink missed DocumentOpen");
  return samples;
}

// --- What one load and one event ask of the host and of the registry ---------------------------------

struct CallCounts {
  long hostCalls = 0;
  long registryCalls = 0;
};

struct CountedRun {
  CallCounts load;
  CallCounts event;
};

// One load and one DocumentOpen of the real add-in, untimed, with the calls counted. Runs after the
// timings, so that the counting costs none of them.
CountedRun countCalls(const std::wstring& dll, const std::wstring& path) {
  // Loaded here first, so that the add-in's load below uses the module whose imports are counted.
  const HMODULE module = LoadLibraryW(dll.c_str());
  if (!module) throw BenchFailure("cannot load the DLL to count its calls");
  CountedRun run;
  {
    bench::RegistryCallCounter registry(module);
    if (registry.counted() == 0) throw BenchFailure("the DLL imports no registry function that can be counted");
    Office office;
    // Every Invoke, GetIDsOfNames, Advise and Unadvise that reaches the host's objects, typed or not.
    wine_host::BridgeFaults& host = office.bridge.faults();
    const auto counts = [&] { return CallCounts{static_cast<long>(host.calls()), registry.calls()}; };
    const auto reset = [&] {
      host.disarm();
      registry.reset();
    };

    ComAddInClient client(kProgId, office.bridge);
    reset();
    if (!office.app->connectAddIn(client, sim::kConnectStartup)) throw BenchFailure("the counted connection failed");
    run.load = counts();
    office.requireClean("counted connection");
    if (!office.machine.writeFile(path, L"A small document.")) throw BenchFailure("cannot write " + narrow(path));
    reset();
    const auto document = office.app->openDocument(path);
    run.event = counts();
    office.requireClean("counted DocumentOpen");
    if (!document || !office.app->closeDocument(document)) throw BenchFailure("the document did not close");
    if (!office.app->disconnectAddIn(client, sim::kDisconnectUserClosed)) throw BenchFailure("disconnection failed");
    client.release();
  }
  FreeLibrary(module);
  return run;
}

// --- Registration of the DLL ---------------------------------------------------------------------------

using DllEntry = HRESULT(STDAPICALLTYPE*)();

// Calls one of the DLL's registration entries, loading it for the call only: the first load of
// the benchmark is then the one that maps the DLL, as in Office.
bool callDllEntry(const std::wstring& dll, const char* name) {
  const HMODULE module = LoadLibraryW(dll.c_str());
  if (!module) return false;
  const auto entry = reinterpret_cast<DllEntry>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  const bool done = entry && SUCCEEDED(entry());
  FreeLibrary(module);
  return done;
}

// --- Output --------------------------------------------------------------------------------------------

void printRow(const char* label, const Summary& summary) {
  std::printf("  %-46s %9.3f %9.3f %9.3f\n", label, summary.median, summary.min, summary.max);
}

int run(const std::wstring& dll, int runs) {
  const Clock clock;
  const auto baselineFactory = ComPtr<NullAddInFactory>::adopt(new NullAddInFactory);
  const wine_host::ClassObjectRegistration baselineClass(kBaselineProgId, kBaselineClsid, baselineFactory.get());

  // The two loads alternate, so that whatever the machine does meanwhile weighs on both alike.
  std::vector<double> loads;
  std::vector<double> baselineLoads;
  for (int i = 0; i < runs; ++i) {
    loads.push_back(timeLoad(clock, kProgId, true));
    baselineLoads.push_back(timeLoad(clock, kBaselineProgId, false));
  }
  const std::wstring path = documentPath();
  const std::vector<double> events = documentEventsWithTheAddIn(clock, path, runs);
  const std::vector<double> baselineEvents = documentEventsWithTheNullSink(clock, path, runs);
  const CountedRun counted = countCalls(dll, path);
  DeleteFileW(path.c_str());

  const Summary load = summarize(loads);
  const Summary baselineLoad = summarize(baselineLoads);
  const Summary event = summarize(events);
  const Summary baselineEvent = summarize(baselineEvents);
  const double percent = load.median / kOfficeLimitMs * 100.0;

  std::printf("Lockfolio add-in load benchmark: %d runs each, simulated Word 11.0, times in ms\n", runs);
  std::printf("  DLL: %s\n\n", narrow(dll).c_str());
  std::printf("  %-46s %9s %9s %9s\n", "", "median", "min", "max");
  printRow("Add-in load (CoCreateInstance to OnConnection)", load);
  printRow("Baseline load (do-nothing add-in)", baselineLoad);
  printRow("DocumentOpen handled by the add-in", event);
  printRow("DocumentOpen, do-nothing sink only", baselineEvent);
  std::printf("\n");
  std::printf("  First add-in load (maps the DLL):              %9.3f ms\n", loads.front());
  std::printf("  Add-in load over the baseline (medians):       %9.3f ms\n", load.median - baselineLoad.median);
  std::printf("  DocumentOpen over the baseline (medians):      %9.3f ms\n", event.median - baselineEvent.median);
  std::printf("  Add-in load against Office's 1 s limit:        %9.3f %%\n\n", percent);
  std::printf("  %-46s %9s %9s\n", "Calls made by the add-in", "host", "registry");
  std::printf("  %-46s %9ld %9ld\n", "per load", counted.load.hostCalls, counted.load.registryCalls);
  std::printf("  %-46s %9ld %9ld\n\n", "per DocumentOpen", counted.event.hostCalls, counted.event.registryCalls);
  std::printf("load: %.1f ms, %.1f%% of Office's 1 s limit (%s the %.0f%% target)\n", load.median, percent,
              percent < kTargetPercent ? "within" : "OVER", kTargetPercent);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2 || argc > 3) {
    std::printf("usage: load_benchmark <LockfolioAddIn.dll> [runs, at least %d]\n", kMinimumRuns);
    return 2;
  }
  int runs = kDefaultRuns;
  if (argc == 3) {
    runs = static_cast<int>(std::wcstol(argv[2], nullptr, 10));
    if (runs < kMinimumRuns) {
      std::printf("runs: at least %d\n", kMinimumRuns);
      return 2;
    }
  }
  wchar_t fullPath[MAX_PATH] = {};
  const DWORD length = GetFullPathNameW(argv[1], MAX_PATH, fullPath, nullptr);
  const std::wstring dll = length > 0 && length < MAX_PATH ? std::wstring(fullPath) : std::wstring(argv[1]);

  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
    std::printf("CoInitializeEx failed\n");
    return 1;
  }
  int result = 1;
  if (!callDllEntry(dll, "DllRegisterServer")) {
    std::printf("cannot load or register %s\n", narrow(dll).c_str());
  } else {
    try {
      result = run(dll, runs);
    } catch (const BenchFailure& failure) {
      std::printf("benchmark failed: %s\n", failure.what());
    } catch (const ComError& error) {
      std::printf("benchmark failed: COM error %ld: %s\n", static_cast<long>(error.number()),
                  narrow(error.description()).c_str());
    } catch (const std::exception& error) {
      std::printf("benchmark failed: %s\n", error.what());
    }
    if (!callDllEntry(dll, "DllUnregisterServer")) std::printf("could not unregister %s\n", narrow(dll).c_str());
  }
  CoFreeUnusedLibraries();
  CoUninitialize();
  std::fflush(stdout);
  return result;
}
