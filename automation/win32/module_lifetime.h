#pragma once
// COM objects of ours that live in a DLL keep it loaded: the module that links this backend says
// how to count them (a DLL's DllCanUnloadNow answers from that count).

namespace automation::win32 {

using LifetimeHook = void (*)();

// Called when an object of this backend that a COM client may hold (an event sink) is made and
// when it goes. Until set, nothing is counted.
void setObjectLifetimeHooks(LifetimeHook created, LifetimeHook destroyed) noexcept;
void notifyObjectCreated() noexcept;
void notifyObjectDestroyed() noexcept;

}  // namespace automation::win32
