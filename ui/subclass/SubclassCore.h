#pragma once
// The subclassing service's bookkeeping and dispatch rules, free of <windows.h>.
// A window's attachments live in its property list under decimal key texts; the window
// system is reached only through SubclassHost, so the rules run (and are tested) anywhere.
#include <cstdint>
#include <string>

namespace klevotrim::subclass {

using WindowId = std::intptr_t;   // a window handle as a number
using PropValue = std::uintptr_t; // pointer-sized: window procedures and client pointers fit
using MessageResult = std::intptr_t;

// Response modes of the first-attached client of a message.
enum Response : std::int32_t { Consume = 0, After = 1, Before = 2 };

// Outcome of an attach; the numbers are the service's error numbers (0 = success).
enum class AttachError : std::int32_t {
    None = 0,
    InvalidArgument = 5,     // a property write failed, or no client was given
    CantSubclass = 13081,    // replacing the window procedure failed
    AlreadyAttached = 13082, // the same client is already attached to this message of this window
    InvalidWindow = 13083,   // the handle names no window
    ExternalWindow = 13084,  // the window belongs to another process
};

// Property key texts: "1234C", "1234", "1234#36C", "1234#36#1".
std::string WindowCountKey(WindowId window);
std::string OldProcKey(WindowId window);
std::string ClientCountKey(WindowId window, std::uint32_t message);
std::string ClientSlotKey(WindowId window, std::uint32_t message, std::int32_t index);

// What the rules need from the window system and from the clients.
class SubclassHost {
  public:
    virtual ~SubclassHost() = default;
    virtual bool IsWindow(WindowId window) = 0;
    virtual bool IsOwnProcess(WindowId window) = 0;
    // An absent property reads as 0.
    virtual PropValue GetProp(WindowId window, const std::string& key) = 0;
    // Writing 0 removes the property; answers whether the write succeeded.
    virtual bool SetProp(WindowId window, const std::string& key, PropValue value) = 0;
    // Installs the service's window procedure; answers the previous one, 0 on failure.
    virtual PropValue InstallDispatcher(WindowId window) = 0;
    // Puts a window procedure back.
    virtual void RestoreWindowProc(WindowId window, PropValue oldProc) = 0;
    // Called just before a client is asked anything during a dispatch.
    virtual void SetCurrentMessage(std::uint32_t message) = 0;
    virtual Response ClientResponse(PropValue client) = 0;
    virtual MessageResult CallClient(PropValue client, WindowId window, std::uint32_t message,
                                     std::uintptr_t wParam, std::intptr_t lParam) = 0;
    virtual MessageResult CallOldProc(PropValue oldProc, WindowId window, std::uint32_t message,
                                      std::uintptr_t wParam, std::intptr_t lParam) = 0;
};

// Attaches `client` (non-zero) to `message` of `window`; on failure every entry written so
// far is undone.
AttachError Attach(SubclassHost& host, PropValue client, WindowId window, std::uint32_t message);

// Removes `client` from `message` of `window`, keeping the others in order; restores the old
// window procedure with the window's last attachment. Anything not attached is ignored.
void Detach(SubclassHost& host, PropValue client, WindowId window, std::uint32_t message);

// The shared replacement window procedure's work: the most recently attached client runs
// first; the first-attached client's response decides when (or whether) the old procedure
// runs; the last result produced wins.
MessageResult Dispatch(SubclassHost& host, WindowId window, std::uint32_t message, std::uintptr_t wParam,
                       std::intptr_t lParam);

// Passes a message to the window's old procedure; 0 when the window has none.
MessageResult CallOld(SubclassHost& host, WindowId window, std::uint32_t message, std::uintptr_t wParam,
                      std::intptr_t lParam);

// The message number of WM_DESTROY, on which an otherwise unhandled window is unsubclassed.
inline constexpr std::uint32_t kDestroyMessage = 0x0002;

} // namespace klevotrim::subclass
