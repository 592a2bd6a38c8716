#include "cutting/PlayableClipWriter.h"

#include <algorithm>
#include <span>
#include <vector>

#include "cutting/ClipSession.h"
#include "cutting/FunctionsWin.h"
#include "cutting/FileByteSource.h"
#include "cutting/PlayableClipText.h"

namespace klevotrim {
namespace {

constexpr std::uint64_t MiB = 1048576;
// The least and the most time between two passes of events during a copy, in ms.
constexpr ULONGLONG MinEventInterval = 50;
constexpr ULONGLONG MaxEventInterval = 250;

HRESULT WriteAll(HANDLE file, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 0x40000000));
        DWORD put = 0;
        if (!WriteFile(file, bytes.data(), want, &put, nullptr))
            return LastErrorResult();
        if (put == 0)
            return HRESULT_FROM_WIN32(ERROR_WRITE_FAULT);
        bytes = bytes.subspan(put);
    }
    return S_OK;
}

// Header, range (with any splices), trailer into the session's temporary file, then the move
// into place.
CutResult WritePlan(ClipSession& session, CutResult& result, FileByteSource& source,
                    const clip::ClipPlan& plan) {
    if (!plan.Fits(source.Size()))
        return session.Fail(ClipFailure::ReadSource, HRESULT_FROM_WIN32(ERROR_INVALID_DATA));
    if (HRESULT hr = session.CreateTemporary(true); FAILED(hr))
        return session.Fail(ClipFailure::WriteClip, hr);
    const HANDLE clip = session.TemporaryFile();
    if (HRESULT hr = WriteAll(clip, plan.header); FAILED(hr))
        return session.Fail(ClipFailure::WriteClip, hr);

    const std::uint64_t length = plan.CopiedLength();
    // The progress bar counts MiB of the range, as the block-range save counts its blocks.
    const auto steps = static_cast<std::int64_t>(std::max<std::uint64_t>(1, (length + MiB - 1) / MiB));
    std::vector<std::uint8_t> buffer(
        static_cast<std::size_t>(std::min<std::uint64_t>(length, PlayableCopyBlock)));
    std::uint64_t copied = 0;
    ULONGLONG nextEvents = 0;           // GetTickCount64 time of the next pass of events
    std::uint64_t at = plan.rangeBegin; // the next source byte to copy
    auto splice = plan.splices.begin();
    const auto writeSplicesAt = [&](std::uint64_t offset) {
        for (; splice != plan.splices.end() && splice->at == offset; at = splice->resume, ++splice)
            if (HRESULT hr = WriteAll(clip, splice->bytes); FAILED(hr))
                return hr;
        return S_OK;
    };
    while (copied < length) {
        if (HRESULT hr = writeSplicesAt(at); FAILED(hr))
            return session.Fail(ClipFailure::WriteClip, hr);
        const std::uint64_t runEnd = splice != plan.splices.end() ? splice->at : plan.rangeEnd;
        const auto want =
            static_cast<std::size_t>(std::min({length - copied, runEnd - at, std::uint64_t{buffer.size()}}));
        const std::span<std::uint8_t> chunk(buffer.data(), want);
        if (source.ReadAt(at, chunk) != want)
            return session.Fail(ClipFailure::ReadSource, source.LastReadError());
        if (HRESULT hr = WriteAll(clip, chunk); FAILED(hr))
            return session.Fail(ClipFailure::WriteClip, hr);
        copied += want;
        at += want;
        // A pass of events takes round trips to the wineserver and the X server under Wine,
        // on a busy machine longer than a block's copy: the windows get their turn (and a stop
        // request is seen) after the first block and the last, and between them once the copy
        // has run eight times as long as the last pass took.
        const ULONGLONG before = GetTickCount64();
        if (before < nextEvents && copied < length)
            continue;
        if (!session.Advance(static_cast<std::int64_t>((copied + MiB - 1) / MiB), steps))
            return session.Cancel();
        const ULONGLONG after = GetTickCount64();
        nextEvents = after + std::clamp<ULONGLONG>(8 * (after - before), MinEventInterval, MaxEventInterval);
    }
    if (HRESULT hr = writeSplicesAt(plan.rangeEnd); FAILED(hr))
        return session.Fail(ClipFailure::WriteClip, hr);
    if (HRESULT hr = WriteAll(clip, plan.trailer); FAILED(hr))
        return session.Fail(ClipFailure::WriteClip, hr);
    if (length == 0 && !session.Advance(1, 1))
        return session.Cancel();
    result.bytesWritten = static_cast<std::int64_t>(plan.ClipLength());
    if (!session.Commit())
        return result;
    return session.Finish(CutOutcome::Saved, SavedText, SavedTitle, MB_ICONINFORMATION);
}

} // namespace

CutResult WriteClipPlan(const std::wstring& source, const std::wstring& destination,
                        const clip::ClipPlan& plan, HWND owner, bool alwaysOnTop) {
    CutResult result;
    ClipSession session(source, destination, owner, alwaysOnTop, result);
    if (!session.DestinationAllowed())
        return result;
    FileByteSource file;
    if (HRESULT hr = file.Open(source); FAILED(hr))
        return session.Fail(ClipFailure::ReadSource, hr);
    return WritePlan(session, result, file, plan);
}

PlayableSaveResult SavePlayableClip(const std::wstring& source, const std::wstring& destination,
                                    std::optional<clip::Marks> marks, const BlockCut& blockCut, HWND owner,
                                    bool alwaysOnTop) {
    PlayableSaveResult saved;
    CutResult& result = saved.save;
    {
        ClipSession session(source, destination, owner, alwaysOnTop, result);
        if (!session.DestinationAllowed())
            return saved;
        if (!marks) {
            saved.planStatus = clip::PlanStatus::BadMarks;
            saved.reason = UnmarkedReason;
            session.Finish(CutOutcome::NothingSaved, BadMarksText(saved.reason), ClipErrorTitle,
                           MB_ICONWARNING);
            return saved;
        }
        FileByteSource file;
        if (HRESULT hr = file.Open(source); FAILED(hr)) {
            session.Fail(ClipFailure::ReadSource, hr);
            return saved;
        }
        clip::PlanResult planned = clip::PlanPlayableClip(file, *marks);
        saved.planStatus = planned.status;
        saved.reason = std::move(planned.reason);
        if (planned.status == clip::PlanStatus::Planned) {
            saved.start = planned.plan.start;
            saved.duration = planned.plan.duration;
            WritePlan(session, result, file, planned.plan);
            return saved;
        }
        if (planned.status == clip::PlanStatus::BadMarks) {
            session.Finish(CutOutcome::NothingSaved, BadMarksText(saved.reason), ClipErrorTitle,
                           MB_ICONWARNING);
            return saved;
        }
        saved.blockRangeOffered = true;
        if (ShowMessageBox(session.Owner(), NotPlayableQuestion(saved.reason), ClipErrorTitle,
                           MB_YESNO | MB_ICONWARNING) != IDYES) {
            result.outcome = CutOutcome::NothingSaved;
            return saved;
        }
    }
    // The designed Save, with its own checks, progress and messages.
    saved.blockRangeSaved = true;
    saved.save = CutFile(source, destination, blockCut.cutStart, blockCut.cutEnd, blockCut.duration, owner,
                         alwaysOnTop);
    return saved;
}

} // namespace klevotrim
