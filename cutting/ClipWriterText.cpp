#include "cutting/ClipWriterText.h"

#include <cwctype>

namespace klevotrim {

std::wstring SaveFilter(const std::wstring& currentFile) {
    // The extension is what follows the last '.', folder separators included in the scan.
    std::wstring extension;
    if (auto dot = currentFile.rfind(L'.'); dot != std::wstring::npos)
        extension = currentFile.substr(dot + 1);
    std::wstring label = extension;
    for (auto& c : label)
        c = static_cast<wchar_t>(std::towupper(static_cast<std::wint_t>(c)));
    return label + L" File (*." + extension + L")|*." + extension;
}

std::wstring TemporaryClipName(std::wstring_view destination, std::uint32_t processId, int attempt) {
    std::wstring name(destination);
    name += L'.';
    name += std::to_wstring(processId);
    name += L'-';
    name += std::to_wstring(attempt);
    name += L".part";
    return name;
}

std::wstring ReplaceQuestion(std::wstring_view path) {
    return std::wstring(path) + L" already exists." + L"\r\n" + L"Do you want to replace it?";
}

std::wstring NothingSavedText(EmptyRangeReason reason) {
    std::wstring why;
    switch (reason) {
    case EmptyRangeReason::NoDuration:
        why = L"The length of the media is not known (it may have played to its end). "
              L"Play the file and mark the start and end points again.";
        break;
    case EmptyRangeReason::SourceTooSmall:
        why = L"The file is too small to cut: clips are cut in whole blocks of 1 MB, and the "
              L"first block of a file is never part of a clip.";
        break;
    case EmptyRangeReason::EndBeforeStart:
        why = L"The end point lies before the start point. Mark the end point again.";
        break;
    case EmptyRangeReason::TooShort:
    case EmptyRangeReason::None:
        why = L"The marked part is too short: clips are cut in whole blocks of 1 MB, and the "
              L"part between the start and end points does not hold one. Mark a longer part.";
        break;
    }
    return L"Nothing was saved and no file was created.\r\n" + why;
}

std::wstring CancelledText(std::wstring_view destination, bool destinationExists) {
    std::wstring text = L"The clip was not saved because you cancelled the save.\r\n";
    if (destinationExists)
        return text + L"The existing file " + std::wstring(destination) + L" was left as it was.";
    return text + L"No file was created.";
}

std::wstring FailureText(ClipFailure failure, std::wstring_view source, std::wstring_view destination,
                         std::wstring_view detail) {
    std::wstring text;
    switch (failure) {
    case ClipFailure::ReadSource:
        text = L"The clip could not be saved: reading " + std::wstring(source) + L" failed.";
        break;
    case ClipFailure::WriteClip:
        text = L"The clip could not be saved: writing to the folder of " + std::wstring(destination) +
               L" failed.";
        break;
    case ClipFailure::ReplaceDestination:
        text = L"The clip could not be saved as " + std::wstring(destination) +
               L": the file could not be created or replaced.";
        break;
    case ClipFailure::SameFile:
        return L"The clip cannot be saved over the file it is cut from:\r\n" + std::wstring(destination) +
               L"\r\nChoose another name.";
    }
    if (!detail.empty())
        text += L"\r\n" + std::wstring(detail);
    return text + L"\r\nNothing was saved; an existing file of that name was left as it was.";
}

} // namespace klevotrim
