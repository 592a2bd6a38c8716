#pragma once
// Routes chosen messages of a window of this process to client objects, before, after or
// instead of the window's old window procedure.
//
// A client stays attached by a plain pointer (not a counted reference): it must detach
// before it is destroyed. Everything runs on the thread that owns the windows.
#include <windows.h>

namespace klevotrim {

enum SubclassResponse { ResponseConsume = 0, ResponseAfter = 1, ResponseBefore = 2 };

class ISubclass {
  public:
    virtual ~ISubclass() = default;
    // The response mode for the message being dispatched now (see CurrentMessage). Only the
    // client attached first to a message is asked; its answer decides for all.
    virtual SubclassResponse MsgResponse() = 0;
    virtual void MsgResponse(SubclassResponse response) = 0;
    virtual LRESULT WindowProc(HWND hwnd, UINT iMsg, WPARAM wParam, LPARAM lParam) = 0;
};

// Error numbers of AttachMessage, raised as MAKE_HRESULT(1, FACILITY_ITF, number).
inline constexpr long kErrCantSubclass = 13081;
inline constexpr long kErrAlreadyHandled = 13082;
inline constexpr long kErrInvalidWindow = 13083;
inline constexpr long kErrExternalWindow = 13084;

// S_OK, or the error's HRESULT (0x80040000 + 13081..13084, or 0x800A0005 for a failed
// bookkeeping write or a null client), with source "<exe name>.WindowProc" and the
// description set as the thread's COM error info.
HRESULT AttachMessage(ISubclass* client, HWND hwnd, UINT iMsg);

// Never fails; detaching something that is not attached does nothing.
void DetachMessage(ISubclass* client, HWND hwnd, UINT iMsg);

// The message being delivered to a client now; between dispatches the last one delivered.
UINT CurrentMessage();

// Passes a message to the window's old procedure; 0 when the window is not subclassed.
LRESULT CallOldWindowProc(HWND hwnd, UINT iMsg, WPARAM wParam, LPARAM lParam);

// The replacement window procedure installed on every subclassed window.
LRESULT CALLBACK SubclassWindowProc(HWND hwnd, UINT iMsg, WPARAM wParam, LPARAM lParam);

// The same service as an object, for callers that prefer one.
class GSubclass {
  public:
    HRESULT AttachMessage(ISubclass* client, HWND hwnd, UINT iMsg) {
        return klevotrim::AttachMessage(client, hwnd, iMsg);
    }
    void DetachMessage(ISubclass* client, HWND hwnd, UINT iMsg) {
        klevotrim::DetachMessage(client, hwnd, iMsg);
    }
    UINT CurrentMessage() const { return klevotrim::CurrentMessage(); }
    LRESULT CallOldWindowProc(HWND hwnd, UINT iMsg, WPARAM wParam, LPARAM lParam) {
        return klevotrim::CallOldWindowProc(hwnd, iMsg, wParam, lParam);
    }
};

} // namespace klevotrim
