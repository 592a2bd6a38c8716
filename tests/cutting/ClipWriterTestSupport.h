#pragma once
// Helpers shared by the clip-writer tests: scripted message boxes, a block observer scope,
// pattern files and a small owner window that counts the events it receives.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "common/win/Window.h"
#include "cutting/ClipWriter.h"
#include "cutting/FunctionsWin.h"

namespace klevotrim::test {

struct ShownMessage {
    HWND owner = nullptr;
    std::wstring text;
    std::wstring title;
    UINT type = 0;
};

// Replaces the message boxes for the life of the object: records them and gives `answer`.
class ScriptedMessageBoxes {
  public:
    explicit ScriptedMessageBoxes(int answer = IDOK);
    ~ScriptedMessageBoxes();
    ScriptedMessageBoxes(const ScriptedMessageBoxes&) = delete;
    ScriptedMessageBoxes& operator=(const ScriptedMessageBoxes&) = delete;
    const std::vector<ShownMessage>& shown() const { return shown_; }

  private:
    int answer_;
    std::vector<ShownMessage> shown_;
    MessageBoxFunction previous_;
};

// Installs a block observer for the life of the object.
class ObserveBlocks {
  public:
    explicit ObserveBlocks(BlockObserver observer) : previous_(SetBlockObserver(std::move(observer))) {}
    ~ObserveBlocks() { SetBlockObserver(std::move(previous_)); }
    ObserveBlocks(const ObserveBlocks&) = delete;
    ObserveBlocks& operator=(const ObserveBlocks&) = delete;

  private:
    BlockObserver previous_;
};

// The byte every pattern file holds at `offset`: differs from block to block and inside one.
std::uint8_t PatternByte(std::int64_t offset);
void WritePatternFile(const std::wstring& path, std::int64_t length);
void WriteFilledFile(const std::wstring& path, std::int64_t length, std::uint8_t value);
// A file of `length` zero bytes but for the `marks` (offset, byte), sparse where supported.
void WriteSparseFile(const std::wstring& path, std::int64_t length,
                     std::initializer_list<std::pair<std::int64_t, std::uint8_t>> marks = {});
std::vector<std::uint8_t> ReadWholeFile(const std::wstring& path);
bool FileIsThere(const std::wstring& path);
// Names of the files in a folder (no "." and "..").
std::vector<std::wstring> FilesIn(const std::wstring& folder);

// A top-level window standing in for the main window; counts WM_APP messages. Hidden unless
// asked (under Wine without a window manager, closing a shown captioned window takes 2 s).
class OwnerWindow final : public win::Window {
  public:
    explicit OwnerWindow(bool visible = false);
    HWND get() const { return hwnd(); }
    int appMessages() const { return appMessages_; }

  private:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    int appMessages_ = 0;
};

} // namespace klevotrim::test
