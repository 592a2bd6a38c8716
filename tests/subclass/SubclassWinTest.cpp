// The subclassing service on real windows: dispatch order with several clients, detaching,
// restoring the window procedure, the errors it raises, and a minimum-size client.
#include "ui/subclass/Subclass.h"

#include "TestSupport.h"

#include <objbase.h> // before UniqueHandle.h, which uses CoInitializeEx

#include "common/win/UniqueHandle.h"
#include "common/win/Window.h"

#include <oleauto.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace klevotrim {
namespace {

constexpr UINT kProbe = WM_APP + 1;
constexpr LRESULT kOldResult = 77;

std::vector<std::string> g_calls; // order of calls in the current test
WNDPROC g_procSeenAtDestroy = nullptr;

LRESULT CALLBACK OriginalProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case kProbe:
        g_calls.push_back("old");
        return kOldResult;
    case WM_DESTROY:
        g_procSeenAtDestroy = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC));
        return 0;
    default:
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

const wchar_t* TestClass() {
    static const bool registered = win::EnsureWindowClass(
        {.name = L"KlevotrimSubclassTest", .instance = GetModuleHandleW(nullptr), .procedure = OriginalProc});
    return registered ? L"KlevotrimSubclassTest" : nullptr;
}

win::UniqueWindow MakeWindow(DWORD style = WS_OVERLAPPEDWINDOW) {
    return win::UniqueWindow(CreateWindowExW(0, TestClass(), L"subclass test", style, 10, 10, 640, 480,
                                             nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
}

WNDPROC ProcOf(HWND hwnd) {
    return reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC));
}

class RecordingClient : public ISubclass {
  public:
    RecordingClient(std::string name, SubclassResponse response, LRESULT result)
        : name_(std::move(name)), response_(response), result_(result) {}
    SubclassResponse MsgResponse() override { return response_; }
    void MsgResponse(SubclassResponse response) override { response_ = response; }
    LRESULT WindowProc(HWND, UINT iMsg, WPARAM, LPARAM) override {
        g_calls.push_back(name_);
        seenMessage = iMsg;
        seenCurrent = CurrentMessage();
        return result_;
    }
    UINT seenMessage = 0;
    UINT seenCurrent = 0;

  private:
    std::string name_;
    SubclassResponse response_;
    LRESULT result_;
};

// Keeps a window at least 480 x 360 pixels, as the main window does.
class MinimumSizeClient : public ISubclass {
  public:
    SubclassResponse MsgResponse() override { return ResponseConsume; }
    void MsgResponse(SubclassResponse) override {}
    LRESULT WindowProc(HWND, UINT, WPARAM, LPARAM lParam) override {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMinTrackSize.x = 480;
        info->ptMinTrackSize.y = 360;
        return 0;
    }
};

BOOL CALLBACK CountProp(HWND, LPWSTR, HANDLE, ULONG_PTR count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

int PropertyCount(HWND hwnd) {
    int count = 0;
    EnumPropsExW(hwnd, CountProp, reinterpret_cast<LPARAM>(&count));
    return count;
}

class SubclassTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_calls.clear();
        window = MakeWindow();
        ASSERT_TRUE(window);
        original = ProcOf(window.get());
    }
    LRESULT Probe() { return SendMessageW(window.get(), kProbe, 0, 0); }
    win::UniqueWindow window;
    WNDPROC original = nullptr;
};

TEST_F(SubclassTest, TwoClientsRunNewestFirstAndTheOldProcedureOnceAtTheFirstClientsChoice) {
    RecordingClient first("first", ResponseAfter, 1), second("second", ResponseConsume, 2);
    ASSERT_EQ(AttachMessage(&first, window.get(), kProbe), S_OK);
    ASSERT_EQ(AttachMessage(&second, window.get(), kProbe), S_OK);
    EXPECT_NE(ProcOf(window.get()), original);

    EXPECT_EQ(Probe(), kOldResult);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"second", "first", "old"}));
    EXPECT_EQ(first.seenCurrent, kProbe);

    g_calls.clear();
    first.MsgResponse(ResponseBefore);
    EXPECT_EQ(Probe(), 1);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"second", "old", "first"}));

    g_calls.clear();
    first.MsgResponse(ResponseConsume);
    EXPECT_EQ(Probe(), 1);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"second", "first"}));

    DetachMessage(&second, window.get(), kProbe);
    DetachMessage(&first, window.get(), kProbe);
}

TEST_F(SubclassTest, DetachingOneOfThreeKeepsTheOthersInOrder) {
    RecordingClient a("a", ResponseConsume, 1), b("b", ResponseConsume, 2), c("c", ResponseConsume, 3);
    for (auto* client : {&a, &b, &c})
        ASSERT_EQ(AttachMessage(client, window.get(), kProbe), S_OK);
    DetachMessage(&b, window.get(), kProbe);
    EXPECT_EQ(Probe(), 1);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"c", "a"}));

    g_calls.clear();
    DetachMessage(&a, window.get(), kProbe); // c becomes the first client and decides
    c.MsgResponse(ResponseAfter);
    EXPECT_EQ(Probe(), kOldResult);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"c", "old"}));
    DetachMessage(&c, window.get(), kProbe);
}

TEST_F(SubclassTest, LastDetachRestoresTheProcedureAndLeavesNoProperty) {
    RecordingClient a("a", ResponseConsume, 1), b("b", ResponseConsume, 2);
    const int before = PropertyCount(window.get());
    ASSERT_EQ(AttachMessage(&a, window.get(), kProbe), S_OK);
    ASSERT_EQ(AttachMessage(&b, window.get(), WM_GETMINMAXINFO), S_OK);
    EXPECT_GT(PropertyCount(window.get()), before);

    DetachMessage(&a, window.get(), kProbe);
    EXPECT_NE(ProcOf(window.get()), original); // still attached for another message
    DetachMessage(&b, window.get(), WM_GETMINMAXINFO);
    EXPECT_EQ(ProcOf(window.get()), original);
    EXPECT_EQ(PropertyCount(window.get()), before);

    EXPECT_EQ(Probe(), kOldResult);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"old"}));
    DetachMessage(&a, window.get(), kProbe); // not attached any more: nothing happens
    EXPECT_EQ(ProcOf(window.get()), original);
}

TEST_F(SubclassTest, DestroyRestoresTheOldProcedureBeforeTheWindowSeesIt) {
    RecordingClient a("a", ResponseConsume, 1);
    ASSERT_EQ(AttachMessage(&a, window.get(), kProbe), S_OK);
    g_procSeenAtDestroy = nullptr;
    window.reset();
    EXPECT_EQ(g_procSeenAtDestroy, original);
}

TEST_F(SubclassTest, CallOldWindowProcReachesTheReplacedProcedureOnly) {
    EXPECT_EQ(CallOldWindowProc(window.get(), kProbe, 0, 0), 0); // not subclassed: nothing is called
    EXPECT_TRUE(g_calls.empty());
    RecordingClient a("a", ResponseConsume, 1);
    GSubclass service;
    ASSERT_EQ(service.AttachMessage(&a, window.get(), kProbe), S_OK);
    EXPECT_EQ(service.CallOldWindowProc(window.get(), kProbe, 0, 0), kOldResult);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"old"}));
    service.DetachMessage(&a, window.get(), kProbe);
}

TEST_F(SubclassTest, CurrentMessageKeepsTheLastDeliveredOne) {
    RecordingClient a("a", ResponseAfter, 1);
    ASSERT_EQ(AttachMessage(&a, window.get(), kProbe), S_OK);
    Probe();
    SendMessageW(window.get(), WM_NULL, 0, 0); // no client: does not change it
    EXPECT_EQ(CurrentMessage(), kProbe);
    DetachMessage(&a, window.get(), kProbe);
}

struct ErrorText {
    std::wstring source;
    std::wstring description;
};

ErrorText TakeErrorInfo() {
    Microsoft::WRL::ComPtr<IErrorInfo> info;
    ErrorText text;
    if (GetErrorInfo(0, &info) == S_OK && info) {
        BSTR source = nullptr, description = nullptr;
        if (SUCCEEDED(info->GetSource(&source)) && source)
            text.source = source;
        if (SUCCEEDED(info->GetDescription(&description)) && description)
            text.description = description;
        SysFreeString(source);
        SysFreeString(description);
    }
    return text;
}

constexpr HRESULT ErrorHr(long number) {
    return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, number);
}

TEST_F(SubclassTest, SameClientTwiceRaises13082AndKeepsTheFirstAttachment) {
    RecordingClient a("a", ResponseConsume, 1);
    ASSERT_EQ(AttachMessage(&a, window.get(), kProbe), S_OK);
    EXPECT_EQ(AttachMessage(&a, window.get(), kProbe), ErrorHr(13082));
    EXPECT_EQ(static_cast<unsigned long>(ErrorHr(13082)), 0x80040000ul + 13082);
    const ErrorText text = TakeErrorInfo();
    EXPECT_EQ(text.description, L"Message already handled by another class");
    EXPECT_EQ(text.source, L"subclass_win_test.WindowProc");

    EXPECT_EQ(Probe(), 1);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"a"})); // once, not twice
    DetachMessage(&a, window.get(), kProbe);
    EXPECT_EQ(ProcOf(window.get()), original);
}

TEST(SubclassErrors, StaleHandleRaises13083) {
    HWND stale = MakeWindow().get(); // destroyed at the end of the statement
    ASSERT_FALSE(IsWindow(stale));
    RecordingClient a("a", ResponseConsume, 1);
    EXPECT_EQ(AttachMessage(&a, stale, kProbe), ErrorHr(13083));
    EXPECT_EQ(TakeErrorInfo().description, L"Invalid window");
    EXPECT_EQ(AttachMessage(&a, nullptr, kProbe), ErrorHr(13083));
    DetachMessage(&a, stale, kProbe); // never raises
}

TEST(SubclassErrors, WindowOfAnotherProcessRaises13084AndIsLeftAlone) {
    HWND desktop = GetDesktopWindow(); // belongs to the desktop process, not to this one
    DWORD process = 0;
    GetWindowThreadProcessId(desktop, &process);
    ASSERT_NE(process, GetCurrentProcessId());
    const LONG_PTR before = GetWindowLongPtrW(desktop, GWLP_WNDPROC);
    RecordingClient a("a", ResponseConsume, 1);
    EXPECT_EQ(AttachMessage(&a, desktop, kProbe), ErrorHr(13084));
    EXPECT_EQ(TakeErrorInfo().description, L"Can't modify external window");
    EXPECT_EQ(GetWindowLongPtrW(desktop, GWLP_WNDPROC), before);
    EXPECT_EQ(GetPropW(desktop, (std::to_wstring(reinterpret_cast<std::intptr_t>(desktop)) + L"C").c_str()),
              nullptr);
}

TEST_F(SubclassTest, NullClientIsAnInvalidArgument) {
    EXPECT_EQ(AttachMessage(nullptr, window.get(), kProbe), static_cast<HRESULT>(0x800A0005));
    EXPECT_EQ(ProcOf(window.get()), original);
}

TEST_F(SubclassTest, MinimumSizeClientKeepsTheWindowAt480By360) {
    MinimumSizeClient client;
    ASSERT_EQ(AttachMessage(&client, window.get(), WM_GETMINMAXINFO), S_OK);

    MINMAXINFO info{};
    info.ptMaxTrackSize = {5000, 4000};
    SendMessageW(window.get(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, 480);
    EXPECT_EQ(info.ptMinTrackSize.y, 360);
    EXPECT_EQ(info.ptMaxTrackSize.x, 5000); // other fields untouched

    SetWindowPos(window.get(), nullptr, 0, 0, 200, 100, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT rect{};
    GetWindowRect(window.get(), &rect);
    EXPECT_EQ(rect.right - rect.left, 480);
    EXPECT_EQ(rect.bottom - rect.top, 360);

    SetWindowPos(window.get(), nullptr, 0, 0, 700, 500, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    GetWindowRect(window.get(), &rect);
    EXPECT_EQ(rect.right - rect.left, 700);

    DetachMessage(&client, window.get(), WM_GETMINMAXINFO);
    SetWindowPos(window.get(), nullptr, 0, 0, 200, 150, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    GetWindowRect(window.get(), &rect);
    EXPECT_LT(rect.right - rect.left, 480); // the system's own minimum is far smaller
}

} // namespace
} // namespace klevotrim
