// Measures a program's start-up as a user sees it: from asking the system to start it to its
// main window being shown (a visible top-level window of the given class in that process).
// Starts each program several times in turns, closes it after each run, and prints for each
// its window class, the median and every time in milliseconds:
//   <class> median <ms> of <ms> <ms> ...
//
//   StartupTimer <runs> <program.exe> <window class> [<program.exe> <window class> ...]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

struct Search {
    DWORD processId;
    const wchar_t* className;
    HWND found = nullptr;
};

BOOL CALLBACK FindShownWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window))
        return TRUE;
    wchar_t name[128] = {};
    GetClassNameW(window, name, 128);
    if (wcscmp(name, search->className) != 0)
        return TRUE;
    search->found = window;
    return FALSE;
}

// Milliseconds to a shown window, or a negative number when the program failed to show one.
double TimeOneStart(const std::wstring& program, const wchar_t* className) {
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return -1;
    Search search{process.dwProcessId, className};
    double elapsed = -1;
    for (;;) {
        EnumWindows(FindShownWindow, reinterpret_cast<LPARAM>(&search));
        QueryPerformanceCounter(&now);
        const double ms = 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) /
                          static_cast<double>(frequency.QuadPart);
        if (search.found) {
            elapsed = ms;
            break;
        }
        if (ms > 60000 || WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0)
            break;
        Sleep(1);
    }
    // Close it as a user would; end it only when it does not go.
    if (search.found)
        PostMessageW(search.found, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, 20000) != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return elapsed;
}

double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    const size_t n = times.size();
    return n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4 || (argc - 2) % 2 != 0) {
        std::fputs(
            "usage: StartupTimer <runs> <program.exe> <window class> [<program.exe> <window class> ...]\n",
            stderr);
        return 2;
    }
    const int runs = std::max(1, _wtoi(argv[1]));
    const int programs = (argc - 2) / 2;
    // One warm-up start each (loads the files into the page cache), then the programs take
    // turns, so that a busy moment of the machine does not fall on one of them only.
    for (int p = 0; p < programs; ++p)
        TimeOneStart(argv[2 + 2 * p], argv[3 + 2 * p]);
    std::vector<std::vector<double>> times(static_cast<size_t>(programs));
    for (int i = 0; i < runs; ++i) {
        for (int p = 0; p < programs; ++p) {
            const double ms = TimeOneStart(argv[2 + 2 * p], argv[3 + 2 * p]);
            if (ms < 0) {
                std::wprintf(L"%ls: no window of class %ls shown\n", argv[2 + 2 * p], argv[3 + 2 * p]);
                return 1;
            }
            times[static_cast<size_t>(p)].push_back(ms);
        }
    }
    for (int p = 0; p < programs; ++p) {
        std::wprintf(L"%ls median %.1f ms of", argv[3 + 2 * p], Median(times[static_cast<size_t>(p)]));
        for (double ms : times[static_cast<size_t>(p)])
            std::wprintf(L" %.0f", ms);
        std::wprintf(L"\n");
    }
    return 0;
}
