// The main window fed with what a user can throw at it: files that are empty, not media or
// folders dropped on it, a source that vanishes between opening and saving, and stored
// preferences that are too long or of the wrong type. The window survives every case, keeps
// working, and a refusal is one clear message.
#include <gtest/gtest.h>

#include "RobustnessSupport.h"
#include "TestSupport.h"
#include "app/MainWindow.h"
#include "cutting/ClipWriter.h"
#include "media/Media.h"
#include "ui/chrome/RegEdit.h"

#include <cstring>
#include <memory>
#include <string>

namespace klevotrim::test {
namespace {

constexpr char kKey[] = "Software\\Parvane\\Klevotrim";

void ClearPreferences() {
    RegDeleteTreeA(HKEY_CURRENT_USER, kKey); // absent on a first run: nothing to clear
}

void WriteRawPreference(const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    RegCloseKey(key);
}

std::string StoredText(const char* name) {
    char buffer[1024] = {};
    DWORD size = sizeof(buffer);
    if (RegGetValueA(HKEY_CURRENT_USER, kKey, name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
        return "<missing>";
    return buffer;
}

bool IsTopMost(HWND window) {
    return (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

class MainWindowRobustness : public ::testing::Test {
  protected:
    void SetUp() override {
        ole_ = OleInitialize(nullptr);
        ClearPreferences();
    }
    void TearDown() override {
        CloseWindow();
        ClearPreferences();
        if (SUCCEEDED(ole_))
            OleUninitialize();
    }
    void StartWindow() {
        window_ = std::make_unique<app::MainWindow>();
        ASSERT_TRUE(window_->Start(GetModuleHandleW(nullptr), false));
        PumpMessages(100);
    }
    void CloseWindow() {
        if (!window_)
            return;
        window_->Close();
        PumpMessages(50);
        window_.reset();
    }
    app::MainWindow& Main() { return *window_; }

    // Drops `path`, lets the timers run a while, and checks the window came through.
    void DropAndSurvive(const std::wstring& path) {
        ASSERT_TRUE(DropFiles(Main().hwnd(), {path}));
        PumpMessages(1500); // several ticks of both 300 ms timers
        ASSERT_TRUE(IsWindow(Main().hwnd()));
        // The file is not reported; the buttons follow whatever status the engine is left in,
        // and no range can be saved from it.
        const bool playing = Main().Media().Status() == L"Playing";
        EXPECT_EQ(Main().Button(app::kPause).Enabled(), playing);
        EXPECT_FALSE(Main().Button(app::kEnd).Enabled());
        EXPECT_FALSE(Main().Button(app::kSave).Enabled());
        EXPECT_FALSE(IsWindowVisible(Main().Cutsld()));
        std::wstring time(64, L'\0');
        time.resize(static_cast<size_t>(GetWindowTextW(Main().lblTime(), time.data(), 64)));
        EXPECT_EQ(time, L"Time:00:00:00/00:00:00") << "the seek bar and time text do not move";
        for (const ShownMessage& shown : messages_.Messages())
            EXPECT_FALSE(shown.text.empty()) << "a message says what went wrong";
    }
    // After any bad input the window still opens and plays a good file.
    void ExpectStillPlays() {
        const std::wstring good = TestMediaPath(L"tone-10s.wav");
        ASSERT_TRUE(DropFiles(Main().hwnd(), {good}));
        EXPECT_TRUE(PumpUntil([&] { return Main().Media().Status() == L"Playing"; }, 8000));
        EXPECT_EQ(Main().CurrentFile(), good);
        EXPECT_TRUE(Main().Button(app::kPause).Enabled());
    }

    ScratchFolder scratch_;
    MessageRecorder messages_;
    std::unique_ptr<app::MainWindow> window_;
    HRESULT ole_ = E_FAIL;
};

TEST_F(MainWindowRobustness, ZeroByteFileDroppedOnTheWindow) {
    StartWindow();
    const std::wstring empty = scratch_.File(L"empty.mpg");
    WriteBytes(empty, {});
    const Fingerprint before = FingerprintOf(empty);
    DropAndSurvive(empty);
    ExpectStillPlays();
    EXPECT_EQ(FingerprintOf(empty), before);
}

TEST_F(MainWindowRobustness, FolderDroppedOnTheWindow) {
    StartWindow();
    const std::wstring folder = scratch_.File(L"movies.mpg");
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    DropAndSurvive(folder);
    EXPECT_TRUE(GetFileAttributesW(folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY) << "the folder is left alone";
    ExpectStillPlays();
}

TEST_F(MainWindowRobustness, TextFileUnderAMediaNameDroppedOnTheWindow) {
    StartWindow();
    const std::wstring text = TestMediaPath(L"not-media.mp3");
    const Fingerprint before = FingerprintOf(text);
    DropAndSurvive(text);
    ExpectStillPlays();
    EXPECT_EQ(FingerprintOf(text), before);
}

TEST_F(MainWindowRobustness, BadFileDroppedWhilePlayingLeavesAWorkingWindow) {
    StartWindow();
    ExpectStillPlays();
    const Fingerprint good = FingerprintOf(TestMediaPath(L"tone-10s.wav"));
    const Fingerprint text = FingerprintOf(TestMediaPath(L"not-media.mp3"));
    ASSERT_TRUE(DropFiles(Main().hwnd(), {TestMediaPath(L"not-media.mp3")}));
    PumpMessages(1500);
    ASSERT_TRUE(IsWindow(Main().hwnd()));
    // Whatever the status now is, the buttons agree with it.
    const bool playing = Main().Media().Status() == L"Playing";
    EXPECT_EQ(Main().Button(app::kPause).Enabled(), playing);
    ExpectStillPlays();
    EXPECT_EQ(FingerprintOf(TestMediaPath(L"tone-10s.wav")), good);
    EXPECT_EQ(FingerprintOf(TestMediaPath(L"not-media.mp3")), text);
}

TEST_F(MainWindowRobustness, SourceRemovedBetweenOpenAndSaveIsReportedAndNothingIsWritten) {
    StartWindow();
    const std::wstring source = scratch_.File(L"source.wav");
    WritePatternWav(source, 30); // 5.3 MB: five whole blocks
    ASSERT_TRUE(DropFiles(Main().hwnd(), {source}));
    ASSERT_TRUE(
        PumpUntil([&] { return Main().Media().Status() == L"Playing" && Main().Media().Max(); }, 8000));
    Main().cmdPause_Click();
    ASSERT_TRUE(SUCCEEDED(Main().Pos().SetValue(5)));
    Main().cmdStart_Click();
    ASSERT_TRUE(SUCCEEDED(Main().Pos().SetValue(25)));
    Main().cmdEnd_Click();
    ASSERT_TRUE(Main().Button(app::kSave).Enabled());
    ASSERT_LT(Main().Cuts().CutStart(), Main().Cuts().CutEnd());

    if (!RemoveBehindTheProgramsBack(source))
        GTEST_SKIP() << "this system does not let another program remove a file that is playing";
    const std::wstring clip = scratch_.File(L"clip.wav");
    Main().CD().SetSaveCall([&](OPENFILENAMEW& dialog) {
        wcsncpy_s(dialog.lpstrFile, dialog.nMaxFile, clip.c_str(), _TRUNCATE);
        return true;
    });
    messages_.Clear();
    Main().cmdSave_Click();

    ASSERT_TRUE(IsWindow(Main().hwnd()));
    ASSERT_EQ(messages_.Messages().size(), 1u);
    EXPECT_NE(messages_.Messages().front().text, SavedText);
    EXPECT_NE(messages_.Messages().front().text.find(L"source.wav"), std::wstring::npos)
        << "the message names the file that could not be read";
    EXPECT_FALSE(Exists(clip));
    EXPECT_EQ(FilesIn(scratch_.path()).size(), 0u) << "no temporary file is left behind";
}

// ---- Stored preferences that the program never writes itself.

TEST_F(MainWindowRobustness, AlwaysOnTopLongerThanTheReadBufferCountsAsNotSet) {
    const std::string tooLong = "True" + std::string(300, ' '); // 305 bytes with its zero
    WriteRawPreference("Always On Top", REG_SZ, tooLong.c_str(), static_cast<DWORD>(tooLong.size() + 1));
    EXPECT_EQ(regEdit().LoadKey("Always On Top", "False"), "False");
    StartWindow();
    EXPECT_FALSE(Main().AlwaysOnTop());
    EXPECT_FALSE(IsTopMost(Main().hwnd()));
    CloseWindow();
    EXPECT_EQ(StoredText("Always On Top"), "False") << "the unload stores a clean value again";
}

TEST_F(MainWindowRobustness, AlwaysOnTopThatJustFitsTheReadBufferIsRead) {
    const std::string fits = "True" + std::string(255, ' '); // 260 bytes with its zero
    WriteRawPreference("Always On Top", REG_SZ, fits.c_str(), static_cast<DWORD>(fits.size() + 1));
    StartWindow();
    EXPECT_TRUE(Main().AlwaysOnTop());
    EXPECT_TRUE(IsTopMost(Main().hwnd()));
}

TEST_F(MainWindowRobustness, AlwaysOnTopOfTheWrongTypeCountsAsNotSet) {
    const DWORD number = 1;
    WriteRawPreference("Always On Top", REG_DWORD, &number, sizeof(number));
    StartWindow();
    EXPECT_FALSE(Main().AlwaysOnTop());
    EXPECT_FALSE(IsTopMost(Main().hwnd()));
    CloseWindow();

    WriteRawPreference("Always On Top", REG_BINARY, "True", 4);
    StartWindow();
    EXPECT_FALSE(Main().AlwaysOnTop());
    EXPECT_FALSE(IsTopMost(Main().hwnd()));
    CloseWindow();

    WriteRawPreference("Always On Top", REG_MULTI_SZ, "True\0\0", 6);
    StartWindow();
    const bool flag = Main().AlwaysOnTop();
    EXPECT_EQ(flag, IsTopMost(Main().hwnd())) << "the flag and the window agree";
    CloseWindow();
    EXPECT_EQ(StoredText("Always On Top"), flag ? "True" : "False");
}

TEST_F(MainWindowRobustness, AlwaysOnTopWithoutItsTerminatingZeroIsReadSafely) {
    WriteRawPreference("Always On Top", REG_SZ, "True", 4); // no zero stored
    StartWindow();
    EXPECT_EQ(Main().AlwaysOnTop(), IsTopMost(Main().hwnd()));
    CloseWindow();

    // Not a Boolean at all: treated as false, and the start goes on.
    const char garbage[] = "\x01\x7f yes please \xff";
    WriteRawPreference("Always On Top", REG_SZ, garbage, sizeof(garbage));
    StartWindow();
    EXPECT_FALSE(Main().AlwaysOnTop());
    EXPECT_FALSE(IsTopMost(Main().hwnd()));
}

TEST_F(MainWindowRobustness, IdentityValuesOfTheWrongTypeAreRewrittenAtStart) {
    const DWORD number = 7;
    WriteRawPreference("Application Name", REG_DWORD, &number, sizeof(number));
    const std::string tooLong(1000, 'x');
    WriteRawPreference("Version", REG_SZ, tooLong.c_str(), static_cast<DWORD>(tooLong.size() + 1));
    StartWindow();
    EXPECT_EQ(StoredText("Application Name"), "Klevotrim 1.0");
    EXPECT_EQ(StoredText("Version"), "1.0");
}

} // namespace
} // namespace klevotrim::test
