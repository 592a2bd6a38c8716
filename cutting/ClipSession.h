#pragma once
// What every way of saving a clip shares: the checks before anything is written, the
// temporary file beside the destination that replaces it only after a complete copy, the
// progress window with a pass of pending events after every step, the user's request to stop,
// and the one closing message (the completion message, or what went wrong).
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "common/win/UniqueHandle.h"
#include "common/win/Window.h"
#include "cutting/ClipWriter.h"
#include "cutting/ClipWriterProgress.h"

namespace klevotrim {

HRESULT LastErrorResult();

// Tells the block observer (SetBlockObserver) about a step of a copy.
void NotifyBlockObserver(const CutProgress& progress);

class ClipSession {
  public:
    // Reports into `result`, which must outlive the session.
    ClipSession(const std::wstring& source, const std::wstring& destination, HWND owner, bool alwaysOnTop,
                CutResult& result);
    ~ClipSession(); // an uncommitted temporary file is deleted
    ClipSession(const ClipSession&) = delete;
    ClipSession& operator=(const ClipSession&) = delete;

    // Refuses the source itself as the destination, and a destination that is read-only or a
    // folder; false once the message is shown.
    bool DestinationAllowed();

    // Creates the empty temporary file; with `keepOpen` it stays open for writing through
    // TemporaryFile() until Commit (or until the session ends).
    HRESULT CreateTemporary(bool keepOpen = false);
    const std::wstring& Temporary() const { return temporary_; }
    HANDLE TemporaryFile() const { return temporaryFile_.get(); }

    // After step `step` (1-based) of `steps`: shows frmProgress (the one window every running
    // copy shares), sets its bar to step - 1 of steps - 1, lets pending events run and tells
    // the block observer. False when the user asked to stop: the caller then calls Cancel.
    [[nodiscard]] bool Advance(std::int64_t step, std::int64_t steps);

    // Gives the progress window back (unloaded when no other copy runs), closes the temporary
    // file and moves it into place. False once the failure is reported.
    bool Commit();

    CutResult Finish(CutOutcome outcome, std::wstring text, const wchar_t* title, UINT icon);
    // Reports a failure: nothing of the copy is kept, the destination stays as it was.
    CutResult Fail(ClipFailure failure, HRESULT error);
    // Reports a copy the user stopped: nothing of it is kept, the destination stays as it was.
    CutResult Cancel();

    HWND Owner() const; // the owner while it lives, else null

  private:
    void Discard();
    void EndProgress();

    const std::wstring& source_;
    const std::wstring& destination_;
    HWND owner_;
    bool alwaysOnTop_;
    CutResult& result_;
    std::wstring temporary_;
    win::UniqueFile temporaryFile_;
    std::optional<CopyProgress::CopyId> copy_; // while this copy drives the progress window
    win::KeptQuit quit_; // a quit request seen during the copy, posted again when the session ends
};

} // namespace klevotrim
