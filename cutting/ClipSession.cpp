#include "cutting/ClipSession.h"

#include "cutting/FunctionsWin.h"
#include "cutting/ProgressWindow.h"

#include <utility>

namespace klevotrim {
namespace {

std::wstring ErrorDescription(HRESULT error) {
    wchar_t buffer[512] = {};
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                  static_cast<DWORD>(error), 0, buffer, ARRAYSIZE(buffer), nullptr);
    while (length > 0 &&
           (buffer[length - 1] == L'\r' || buffer[length - 1] == L'\n' || buffer[length - 1] == L' '))
        --length;
    return std::wstring(buffer, length);
}

// The one progress window of the user-interface thread and the copies that drive it.
struct SharedProgress {
    SharedProgress() {
        window.OnStopRequest([this] { copies.RequestStop(); });
    }
    ProgressWindow window;
    CopyProgress copies;
};

SharedProgress& Progress() {
    static SharedProgress shared;
    return shared;
}

} // namespace

HRESULT LastErrorResult() {
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

ClipSession::ClipSession(const std::wstring& source, const std::wstring& destination, HWND owner,
                         bool alwaysOnTop, CutResult& result)
    : source_(source), destination_(destination), owner_(owner), alwaysOnTop_(alwaysOnTop), result_(result) {}

ClipSession::~ClipSession() {
    EndProgress();
    Discard();
}

HWND ClipSession::Owner() const {
    // The owner may have gone while events ran; the windows then stand alone.
    return owner_ && IsWindow(owner_) ? owner_ : nullptr;
}

bool ClipSession::DestinationAllowed() {
    // Writing the clip over its own source would destroy the source.
    if (IsSameFile(source_, destination_)) {
        Finish(CutOutcome::Refused, FailureText(ClipFailure::SameFile, source_, destination_, {}),
               ClipErrorTitle, MB_ICONWARNING);
        return false;
    }
    // A read-only file (or a folder) is not replaced, on any file system: Windows refuses to
    // move over one, but not every platform layer does.
    if (const DWORD existing = GetFileAttributesW(destination_.c_str());
        existing != INVALID_FILE_ATTRIBUTES &&
        (existing & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
        Fail(ClipFailure::ReplaceDestination, HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
        return false;
    }
    return true;
}

HRESULT ClipSession::CreateTemporary(bool keepOpen) {
    // Same folder as the destination, so the final move is a rename.
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::wstring candidate = TemporaryClipName(destination_, GetCurrentProcessId(), attempt);
        win::UniqueFile file(CreateFileW(candidate.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                         CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) {
            temporary_ = std::move(candidate);
            if (keepOpen)
                temporaryFile_ = std::move(file);
            return S_OK;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            return error != ERROR_SUCCESS ? HRESULT_FROM_WIN32(error) : E_FAIL;
    }
    return HRESULT_FROM_WIN32(ERROR_FILE_EXISTS);
}

bool ClipSession::Advance(std::int64_t step, std::int64_t steps) {
    SharedProgress& progress = Progress();
    if (!copy_)
        copy_ = progress.copies.Begin();
    const ProgressShown shown = progress.copies.Step(*copy_, step, steps);
    progress.window.Show(Owner(), alwaysOnTop_);
    progress.window.SetProgress(shown.maximum, shown.value);
    // Both windows repaint and the main window stays usable meanwhile.
    win::RunPendingMessages(quit_);
    NotifyBlockObserver(
        CutProgress{step, steps, progress.window.Window(), progress.window.Bar(), temporary_});
    return !progress.copies.StopRequested(*copy_);
}

void ClipSession::EndProgress() {
    if (!copy_)
        return;
    SharedProgress& progress = Progress();
    const CopyProgress::AfterCopy after = progress.copies.End(*copy_);
    copy_.reset();
    // A copy around this one goes on in the same window, with its own maximum and value.
    progress.window.SetProgress(after.shown.maximum, after.shown.value);
    if (!after.windowStays)
        progress.window.Unload();
}

bool ClipSession::Commit() {
    EndProgress();
    // Closing can report a late write error (full disk, network share): it counts.
    if (temporaryFile_ && !CloseHandle(temporaryFile_.release())) {
        Fail(ClipFailure::WriteClip, LastErrorResult());
        return false;
    }
    // The clip replaces the destination only now that it is complete.
    if (!MoveFileExW(temporary_.c_str(), destination_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        Fail(ClipFailure::ReplaceDestination, LastErrorResult());
        return false;
    }
    temporary_.clear();
    return true;
}

CutResult ClipSession::Finish(CutOutcome outcome, std::wstring text, const wchar_t* title, UINT icon) {
    result_.outcome = outcome;
    result_.message = std::move(text);
    ShowMessageBox(Owner(), result_.message, title, MB_OK | icon);
    return result_;
}

CutResult ClipSession::Fail(ClipFailure failure, HRESULT error) {
    EndProgress();
    Discard();
    result_.error = error;
    result_.bytesWritten = 0; // nothing of a failed copy is kept
    return Finish(CutOutcome::Failed, FailureText(failure, source_, destination_, ErrorDescription(error)),
                  ClipErrorTitle, MB_ICONERROR);
}

CutResult ClipSession::Cancel() {
    EndProgress();
    Discard();
    result_.bytesWritten = 0;
    return Finish(
        CutOutcome::Cancelled,
        CancelledText(destination_, GetFileAttributesW(destination_.c_str()) != INVALID_FILE_ATTRIBUTES),
        ClipErrorTitle, MB_ICONINFORMATION);
}

void ClipSession::Discard() {
    temporaryFile_.reset();
    if (temporary_.empty())
        return;
    // Best effort: the partial clip is only a leftover file, never the destination.
    DeleteFileW(temporary_.c_str());
    temporary_.clear();
}

} // namespace klevotrim
