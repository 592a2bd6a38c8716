#include "cutting/FunctionsWin.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include "common/win/UniqueHandle.h"

#include <cstring>
#include <string>

using namespace klevotrim;
using klevotrim::test::ScratchFolder;
using klevotrim::win::UniqueWindow;

namespace {

UniqueWindow MakeWindow(HWND owner = nullptr, DWORD style = WS_OVERLAPPEDWINDOW) {
    // The system's own STATIC class: no window procedure of the test is involved.
    return UniqueWindow(CreateWindowExW(0, L"STATIC", L"helper test", style, 100, 100, 200, 150, owner,
                                        nullptr, GetModuleHandleW(nullptr), nullptr));
}

HICON IconOf(HWND window, WPARAM which) {
    return reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, which, 0));
}

SIZE IconSize(HICON icon) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info))
        return SIZE{0, 0};
    win::UniqueBitmap color(info.hbmColor);
    win::UniqueBitmap mask(info.hbmMask);
    BITMAP bitmap{};
    GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
    return SIZE{bitmap.bmWidth, bitmap.bmHeight};
}

bool WriteFileText(const std::wstring& path, const char* text) {
    win::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!file)
        return false;
    DWORD written = 0;
    return WriteFile(file.get(), text, static_cast<DWORD>(strlen(text)), &written, nullptr) != 0;
}

bool IsTopMost(HWND window) {
    return (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

} // namespace

TEST(FileExists, IsTrueOnlyForExistingFiles) {
    ScratchFolder scratch;
    const std::wstring file = scratch.File(L"present.txt");
    ASSERT_TRUE(WriteFileText(file, "x"));
    EXPECT_TRUE(FileExists(file));
    EXPECT_FALSE(FileExists(scratch.File(L"absent.txt")));
    EXPECT_FALSE(FileExists(scratch.File(L"absent\\deeper.txt")));
    EXPECT_FALSE(FileExists(L""));
}

TEST(FileExists, IsFalseForFolders) {
    ScratchFolder scratch;
    EXPECT_FALSE(FileExists(scratch.path()));
    EXPECT_FALSE(FileExists(scratch.path() + L"\\"));
    const std::wstring inner = scratch.File(L"inner.mp3");
    ASSERT_TRUE(CreateDirectoryW(inner.c_str(), nullptr));
    EXPECT_FALSE(FileExists(inner)) << "a folder with a media name is still a folder";
}

TEST(FileExists, FindsNamesOutsideTheAnsiCodePage) {
    ScratchFolder scratch;
    const std::wstring file = scratch.File(L"T\u00f6ne \u043a\u043b\u0438\u043f \u97f3.wav");
    ASSERT_TRUE(WriteFileText(file, "RIFF"));
    EXPECT_TRUE(FileExists(file));
    EXPECT_FALSE(FileExists(scratch.File(L"T\u00f6ne \u043a\u043b\u0438\u043f.wav")));
}

TEST(TopMostBand, WindowMovesInAndOutWithoutMovingOrSizing) {
    UniqueWindow window = MakeWindow();
    ASSERT_TRUE(window);
    ShowWindow(window.get(), SW_SHOWNOACTIVATE);
    RECT before{};
    GetWindowRect(window.get(), &before);
    ASSERT_FALSE(IsTopMost(window.get()));

    SetTopMost(window.get());
    EXPECT_TRUE(IsTopMost(window.get()));
    SetTopMost(window.get());
    EXPECT_TRUE(IsTopMost(window.get())) << "a second call keeps it there";

    SetNotTopMost(window.get());
    EXPECT_FALSE(IsTopMost(window.get()));
    SetNotTopMost(window.get());
    EXPECT_FALSE(IsTopMost(window.get()));

    RECT after{};
    GetWindowRect(window.get(), &after);
    EXPECT_TRUE(EqualRect(&before, &after));
}

TEST(TopMostBand, TopMostWindowStaysAboveANewerNormalWindow) {
    UniqueWindow first = MakeWindow();
    ASSERT_TRUE(first);
    ShowWindow(first.get(), SW_SHOWNOACTIVATE);
    SetTopMost(first.get());
    UniqueWindow second = MakeWindow();
    ASSERT_TRUE(second);
    ShowWindow(second.get(), SW_SHOW);
    SetWindowPos(second.get(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    // Walk down from the top of the Z order: the topmost window comes first.
    HWND found = nullptr;
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (w == first.get() || w == second.get()) {
            found = w;
            break;
        }
    }
    EXPECT_EQ(found, first.get());
}

TEST(SetIcon, SetsBothSizesOnTheWindow) {
    UniqueWindow window = MakeWindow();
    ASSERT_TRUE(window);
    SetIcon(window.get(), L"MAINICON", false);
    HICON big = IconOf(window.get(), ICON_BIG);
    HICON small = IconOf(window.get(), ICON_SMALL);
    ASSERT_NE(big, nullptr);
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(IconSize(big).cx, GetSystemMetrics(SM_CXICON));
    // The small one is asked for in the small size; a shared load may answer with the
    // large image, which the window scales, so only its presence is certain.
}

TEST(SetIcon, WithOwnerFlagAlsoSetsTheTopLevelOwnerButNotOwnersBetween) {
    UniqueWindow top = MakeWindow();
    UniqueWindow middle = MakeWindow(top.get());
    UniqueWindow window = MakeWindow(middle.get());
    ASSERT_TRUE(top && middle && window);
    ASSERT_EQ(GetWindow(window.get(), GW_OWNER), middle.get());

    SetIcon(window.get(), L"MAINICON", true);
    EXPECT_NE(IconOf(top.get(), ICON_BIG), nullptr);
    EXPECT_NE(IconOf(top.get(), ICON_SMALL), nullptr);
    EXPECT_NE(IconOf(window.get(), ICON_BIG), nullptr);
    EXPECT_NE(IconOf(window.get(), ICON_SMALL), nullptr);
    EXPECT_EQ(IconOf(middle.get(), ICON_BIG), nullptr);
    EXPECT_EQ(IconOf(middle.get(), ICON_SMALL), nullptr);
}

TEST(SetIcon, WithoutOwnerFlagLeavesTheOwnerAlone) {
    UniqueWindow owner = MakeWindow();
    UniqueWindow window = MakeWindow(owner.get());
    ASSERT_TRUE(owner && window);
    SetIcon(window.get(), L"MAINICON", false);
    EXPECT_NE(IconOf(window.get(), ICON_BIG), nullptr);
    EXPECT_EQ(IconOf(owner.get(), ICON_BIG), nullptr);
    EXPECT_EQ(IconOf(owner.get(), ICON_SMALL), nullptr);
}

TEST(SetIcon, OwnerFlagOnAWindowWithoutOwnerSetsItsOwnIcons) {
    UniqueWindow window = MakeWindow();
    ASSERT_TRUE(window);
    SetIcon(window.get(), L"MAINICON", true);
    EXPECT_NE(IconOf(window.get(), ICON_BIG), nullptr);
    EXPECT_NE(IconOf(window.get(), ICON_SMALL), nullptr);
}

TEST(SetIcon, AMissingIconClearsTheWindowsIcons) {
    UniqueWindow window = MakeWindow();
    ASSERT_TRUE(window);
    SetIcon(window.get(), L"MAINICON", false);
    ASSERT_NE(IconOf(window.get(), ICON_BIG), nullptr);
    SetIcon(window.get(), L"NO_SUCH_ICON", false);
    EXPECT_EQ(IconOf(window.get(), ICON_BIG), nullptr);
    EXPECT_EQ(IconOf(window.get(), ICON_SMALL), nullptr);
}

TEST(ShellOpen, RunsTheFileWithItsParametersInItsDirectory) {
    ScratchFolder scratch;
    const std::wstring made = scratch.File(L"made.txt");
    // A relative output name: the file lands in the given directory only if it is used.
    EXPECT_EQ(ShellOpen(L"cmd.exe", L"/c echo made> made.txt", scratch.path()), L"");
    EXPECT_TRUE(
        test::PumpUntil([&] { return GetFileAttributesW(made.c_str()) != INVALID_FILE_ATTRIBUTES; }, 15000));
}

TEST(ShellOpen, AMissingFileGivesTheEmptyText) {
    ScratchFolder scratch;
    EXPECT_EQ(ShellOpen(scratch.File(L"no-such-program.exe"), L"", L""), L"");
}
