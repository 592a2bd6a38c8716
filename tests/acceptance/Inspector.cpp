// KlevotrimInspector: reads the windows of another process the way a user sees them, for the
// acceptance scripts that drive Klevotrim with real X input. It never clicks or types; it
// only looks (classes, texts, rectangles, enabled and visible states, progress values).
//
//   KlevotrimInspector list                         top-level windows
//   KlevotrimInspector tree <window>                a window and all its descendants
//   KlevotrimInspector wait <window> <ms>           waits until the window exists and is visible
//   KlevotrimInspector gone <window> <ms>           waits until it is destroyed or hidden
//   KlevotrimInspector watch-progress <window> <ms> waits for a progress window, then follows
//                                                   its progress bar until the window goes
//   KlevotrimInspector close <window>               asks the window to close (WM_CLOSE)
//   KlevotrimInspector at <x> <y>                   the window under a screen point
//
// <window> is one of: 0x<handle>, class=<name>, title=<text>, class=<name>/title=<text>.
// Lines are UTF-8, one window per line:
//   hwnd=0x... depth=N id=N class=<c> visible=0|1 enabled=0|1 rect=l,t,r,b text=<t>
// Exit status: 0 found / done, 1 timed out or not found, 2 bad arguments.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr UINT kSendTimeoutMs = 500;
constexpr ULONGLONG kLongestCopyMs = 600000; // a progress window open longer than this is stuck

struct WindowQuery {
    HWND handle = nullptr;
    std::wstring className; // empty: any
    std::wstring title;     // empty: any
    bool byHandle = false;
};

void WriteUtf8(const std::wstring& text) {
    if (text.empty())
        return;
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                   nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr,
                        nullptr);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
              nullptr);
}

// A window's text as the user sees it: WM_GETTEXT, which (unlike GetWindowText) reads the
// controls of other processes too. Bounded by a timeout so a busy target cannot hang us.
std::wstring TextOf(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &length))
        return L"<no answer>";
    std::vector<wchar_t> buffer(length + 2, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                             SMTO_ABORTIFHUNG, kSendTimeoutMs, &copied))
        return L"<no answer>";
    std::wstring text(buffer.data(), static_cast<size_t>(copied));
    // Keep one window per line.
    for (auto& c : text)
        if (c == L'\r' || c == L'\n' || c == L'\t')
            c = L' ';
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

std::wstring Describe(HWND window, int depth) {
    RECT rect{};
    GetWindowRect(window, &rect);
    wchar_t head[256] = {};
    swprintf(head, 256, L"hwnd=0x%llx depth=%d id=%d class=",
             static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)), depth,
             GetDlgCtrlID(window));
    wchar_t state[160] = {};
    swprintf(state, 160, L" visible=%d enabled=%d rect=%ld,%ld,%ld,%ld text=",
             IsWindowVisible(window) ? 1 : 0, IsWindowEnabled(window) ? 1 : 0, rect.left, rect.top,
             rect.right, rect.bottom);
    return std::wstring(head) + ClassOf(window) + state + TextOf(window) + L"\n";
}

bool ParseQuery(const wchar_t* argument, WindowQuery& query) {
    std::wstring text = argument;
    if (text.rfind(L"0x", 0) == 0) {
        query.byHandle = true;
        query.handle = reinterpret_cast<HWND>(static_cast<UINT_PTR>(wcstoull(text.c_str() + 2, nullptr, 16)));
        return true;
    }
    // class=<c>/title=<t>, class=<c> or title=<t>
    size_t split = text.find(L"/title=");
    std::wstring classPart = text, titlePart;
    if (split != std::wstring::npos) {
        classPart = text.substr(0, split);
        titlePart = text.substr(split + 1);
    } else if (text.rfind(L"title=", 0) == 0) {
        classPart.clear();
        titlePart = text;
    }
    if (!classPart.empty()) {
        if (classPart.rfind(L"class=", 0) != 0)
            return false;
        query.className = classPart.substr(6);
    }
    if (!titlePart.empty())
        query.title = titlePart.substr(6);
    return !query.className.empty() || !query.title.empty();
}

struct FindState {
    const WindowQuery* query;
    bool visibleOnly;
    HWND found = nullptr;
};

BOOL CALLBACK FindTopLevel(HWND window, LPARAM param) {
    auto* state = reinterpret_cast<FindState*>(param);
    if (state->visibleOnly && !IsWindowVisible(window))
        return TRUE;
    if (!state->query->className.empty() && ClassOf(window) != state->query->className)
        return TRUE;
    if (!state->query->title.empty() && TextOf(window) != state->query->title)
        return TRUE;
    state->found = window;
    return FALSE;
}

HWND Find(const WindowQuery& query, bool visibleOnly) {
    if (query.byHandle) {
        if (!IsWindow(query.handle) || (visibleOnly && !IsWindowVisible(query.handle)))
            return nullptr;
        return query.handle;
    }
    FindState state{&query, visibleOnly};
    EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&state));
    return state.found;
}

void PrintTree(HWND window, int depth) {
    WriteUtf8(Describe(window, depth));
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        PrintTree(child, depth + 1);
}

BOOL CALLBACK PrintTopLevel(HWND window, LPARAM) {
    WriteUtf8(Describe(window, 0));
    return TRUE;
}

// First descendant whose class name contains "progress" in any case.
HWND FindProgressBar(HWND window) {
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        std::wstring name = ClassOf(child);
        for (auto& c : name)
            c = static_cast<wchar_t>(towlower(c));
        if (name.find(L"progress") != std::wstring::npos)
            return child;
        if (HWND inner = FindProgressBar(child))
            return inner;
    }
    return nullptr;
}

int WaitFor(const WindowQuery& query, DWORD timeoutMs, bool present) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        HWND window = Find(query, true);
        if (present && window) {
            WriteUtf8(Describe(window, 0));
            return 0;
        }
        if (!present && !window)
            return 0;
        if (GetTickCount64() >= deadline)
            return 1;
        Sleep(20);
    }
}

// Follows the progress window from its first sight until it goes: prints where it stood, the
// bar's maximum and every distinct value seen, in order.
int WatchProgress(const WindowQuery& query, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    HWND window = nullptr;
    while (!(window = Find(query, true))) {
        if (GetTickCount64() >= deadline)
            return 1;
        Sleep(10);
    }
    WriteUtf8(Describe(window, 0));
    HWND bar = FindProgressBar(window);
    long maximum = -1;
    std::vector<long> values;
    while (IsWindow(window) && IsWindowVisible(window)) {
        if (bar) {
            DWORD_PTR high = 0, position = 0;
            if (SendMessageTimeoutW(bar, 0x0407 /* PBM_GETRANGE */, FALSE, 0, SMTO_ABORTIFHUNG,
                                    kSendTimeoutMs, &high) &&
                SendMessageTimeoutW(bar, 0x0408 /* PBM_GETPOS */, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                                    &position)) {
                maximum = static_cast<long>(high);
                if (values.empty() || values.back() != static_cast<long>(position))
                    values.push_back(static_cast<long>(position));
            }
        }
        if (GetTickCount64() >= deadline + kLongestCopyMs)
            break;
        Sleep(25); // often enough to see the bar move, seldom enough not to slow the copy
    }
    std::wstring summary = L"progress bar=" + std::to_wstring(bar != nullptr) + L" max=" +
                           std::to_wstring(maximum) + L" values=";
    for (size_t i = 0; i < values.size(); ++i)
        summary += (i ? L"," : L"") + std::to_wstring(values[i]);
    WriteUtf8(summary + L"\n");
    return 0;
}

int Usage() {
    WriteUtf8(L"usage: KlevotrimInspector list | tree <window> | wait <window> <ms> | gone <window> <ms> | "
              L"watch-progress <window> <ms> | close <window> | at <x> <y>\n");
    return 2;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2)
        return Usage();
    const std::wstring command = argv[1];
    if (command == L"list") {
        EnumWindows(PrintTopLevel, 0);
        return 0;
    }
    if (command == L"at" && argc >= 4) {
        POINT point{static_cast<LONG>(wcstol(argv[2], nullptr, 10)),
                    static_cast<LONG>(wcstol(argv[3], nullptr, 10))};
        HWND window = WindowFromPoint(point);
        if (!window)
            return 1;
        WriteUtf8(Describe(window, 0));
        return 0;
    }
    if (argc < 3)
        return Usage();
    WindowQuery query;
    if (!ParseQuery(argv[2], query))
        return Usage();
    const DWORD timeoutMs = argc >= 4 ? static_cast<DWORD>(wcstoul(argv[3], nullptr, 10)) : 0;
    if (command == L"tree") {
        HWND window = Find(query, false);
        if (!window)
            return 1;
        PrintTree(window, 0);
        return 0;
    }
    if (command == L"wait")
        return WaitFor(query, timeoutMs, true);
    if (command == L"gone")
        return WaitFor(query, timeoutMs, false);
    if (command == L"watch-progress")
        return WatchProgress(query, timeoutMs);
    if (command == L"close") {
        HWND window = Find(query, false);
        if (!window)
            return 1;
        PostMessageW(window, WM_CLOSE, 0, 0);
        return 0;
    }
    return Usage();
}
