// Cuts one range of a file with CutFile (or, with --playable, saves it as a playable clip at
// the same marks) and prints the time and the memory it took:
//   bench_cutfile [--playable] <source> <destination> <cut start s> <cut end s> <duration s>
// or only plans the playable clip and prints how long that took and how much it read:
//   bench_cutfile --plan <source> <start mark s> <end mark s>
// Output lines are key=value, for run.sh.
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>

#include "cutting/ClipWriter.h"
#include "cutting/FileByteSource.h"
#include "cutting/FunctionsWin.h"
#include "cutting/PlayableClipWriter.h"

namespace {

struct Memory {
    SIZE_T workingSet = 0;
    SIZE_T peakWorkingSet = 0;
    SIZE_T privateBytes = 0;
    SIZE_T peakCommit = 0;
};

Memory Sample() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    Memory memory;
    if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                             sizeof(counters))) {
        memory.workingSet = counters.WorkingSetSize;
        memory.peakWorkingSet = counters.PeakWorkingSetSize;
        memory.privateBytes = counters.PrivateUsage;
        memory.peakCommit = counters.PeakPagefileUsage;
    }
    return memory;
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Counts what the planners read.
class CountingSource final : public klevotrim::clip::ByteSource {
  public:
    explicit CountingSource(klevotrim::clip::ByteSource& source) : source_(source) {}
    std::uint64_t Size() const override { return source_.Size(); }
    std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) override {
        ++reads;
        bytes += buffer.size();
        return source_.ReadAt(offset, buffer);
    }
    std::uint64_t reads = 0;
    std::uint64_t bytes = 0;

  private:
    klevotrim::clip::ByteSource& source_;
};

int PlanOnly(const std::wstring& source, klevotrim::clip::Marks marks) {
    LARGE_INTEGER start{};
    LARGE_INTEGER opened{};
    LARGE_INTEGER end{};
    QueryPerformanceCounter(&start);
    klevotrim::FileByteSource file;
    if (FAILED(file.Open(source)))
        return 1;
    QueryPerformanceCounter(&opened);
    CountingSource counted(file);
    const klevotrim::clip::PlanResult planned = klevotrim::clip::PlanPlayableClip(counted, marks);
    QueryPerformanceCounter(&end);
    std::printf("plan_status=%d\nsource_bytes=%llu\nopen_seconds=%.4f\nplan_seconds=%.4f\n",
                static_cast<int>(planned.status), static_cast<unsigned long long>(file.Size()),
                Seconds(start, opened), Seconds(opened, end));
    std::printf("plan_reads=%llu\nplan_read_bytes=%llu\nrange_bytes=%llu\n",
                static_cast<unsigned long long>(counted.reads),
                static_cast<unsigned long long>(counted.bytes),
                static_cast<unsigned long long>(planned.plan.RangeLength()));
    return planned.status == klevotrim::clip::PlanStatus::Planned ? 0 : 1;
}

} // namespace

int main() {
    // Wide arguments on every compiler, without a wmain entry point.
    int argc = 0;
    std::unique_ptr<wchar_t*, decltype(&LocalFree)> args(CommandLineToArgvW(GetCommandLineW(), &argc),
                                                         &LocalFree);
    wchar_t** argv = args.get();
    if (!argv)
        return 2;
    if (argc == 5 && std::wcscmp(argv[1], L"--plan") == 0)
        return PlanOnly(argv[2], {std::wcstod(argv[3], nullptr), std::wcstod(argv[4], nullptr)});
    const bool playable = argc > 1 && std::wcscmp(argv[1], L"--playable") == 0;
    if (playable) {
        ++argv;
        --argc;
    }
    if (argc != 6) {
        std::fwprintf(stderr,
                      L"usage: bench_cutfile [--playable] <source> <destination> <start> <end> <duration>\n");
        return 2;
    }
    const std::wstring source = argv[1];
    const std::wstring destination = argv[2];
    const auto cutStart = static_cast<std::int32_t>(std::wcstol(argv[3], nullptr, 10));
    const auto cutEnd = static_cast<std::int32_t>(std::wcstol(argv[4], nullptr, 10));
    const double duration = std::wcstod(argv[5], nullptr);

    // A main window stands in for the program's, as the progress window's owner.
    HWND owner = CreateWindowExW(0, L"STATIC", L"Klevotrim bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50,
                                 400, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    // The completion message would wait for a human.
    klevotrim::SetMessageBoxFunction(
        [](HWND, const std::wstring&, const std::wstring&, UINT) { return IDOK; });

    const Memory idle = Sample();
    SIZE_T peakPrivate = idle.privateBytes;
    LARGE_INTEGER start{};
    LARGE_INTEGER lastBlock{};
    LARGE_INTEGER end{};
    klevotrim::SetBlockObserver([&](const klevotrim::CutProgress& progress) {
        // Sampled now and then only, so that measuring does not slow the copy down; the
        // peak working set is kept by the system anyway.
        if (progress.block % 32 == 1) {
            const Memory now = Sample();
            if (now.privateBytes > peakPrivate)
                peakPrivate = now.privateBytes;
        }
        if (progress.block == progress.blocks)
            QueryPerformanceCounter(&lastBlock);
    });
    QueryPerformanceCounter(&start);
    klevotrim::clip::PlanStatus planStatus = klevotrim::clip::PlanStatus::Planned;
    const klevotrim::CutResult result =
        playable ? [&] {
            const klevotrim::PlayableSaveResult saved = klevotrim::SavePlayableClip(
                source, destination, klevotrim::clip::Marks{std::wcstod(argv[3], nullptr), std::wcstod(argv[4], nullptr)},
                klevotrim::BlockCut{cutStart, cutEnd, duration}, owner, false);
            planStatus = saved.planStatus;
            return saved.save;
        }()
                 : klevotrim::CutFile(source, destination, cutStart, cutEnd, duration, owner, false);
    QueryPerformanceCounter(&end);
    const Memory after = Sample();
    if (owner)
        DestroyWindow(owner);

    std::printf("outcome=%d\nplan_status=%d\n", static_cast<int>(result.outcome),
                static_cast<int>(planStatus));
    std::printf("start_block=%lld\nblocks=%lld\nbytes=%lld\n", static_cast<long long>(result.range.S),
                static_cast<long long>(result.range.BlockCount()),
                static_cast<long long>(result.bytesWritten));
    std::printf("seconds=%.3f\ncopy_seconds=%.3f\n", Seconds(start, end), Seconds(start, lastBlock));
    std::printf("idle_working_set=%llu\npeak_working_set=%llu\n",
                static_cast<unsigned long long>(idle.workingSet),
                static_cast<unsigned long long>(after.peakWorkingSet));
    std::printf("idle_private=%llu\npeak_private=%llu\n", static_cast<unsigned long long>(idle.privateBytes),
                static_cast<unsigned long long>(peakPrivate));
    std::printf("idle_peak_commit=%llu\npeak_commit=%llu\n", static_cast<unsigned long long>(idle.peakCommit),
                static_cast<unsigned long long>(after.peakCommit));
    return result.outcome == klevotrim::CutOutcome::Saved ? 0 : 1;
}
