#include "cutting/PlayableClipText.h"

namespace klevotrim {

std::wstring ReasonText(std::string_view reason) {
    std::wstring text;
    text.reserve(reason.size());
    for (const char c : reason) {
        const auto byte = static_cast<unsigned char>(c);
        text.push_back(byte >= 0x20 && byte < 0x7F ? static_cast<wchar_t>(byte) : L'?');
    }
    if (text.empty())
        text = L"its contents could not be read";
    return text;
}

std::wstring NotPlayableQuestion(std::string_view reason) {
    return L"This file cannot be saved as a playable clip: " + ReasonText(reason) +
           L".\r\nDo you want to save the exact block range between the start and end points instead "
           L"(as with Playable Clips turned off)?";
}

std::wstring BadMarksText(std::string_view reason) {
    return L"The playable clip cannot be saved: " + ReasonText(reason) +
           L".\r\nMark the start and end points again. Nothing was saved and no file was created.";
}

} // namespace klevotrim
