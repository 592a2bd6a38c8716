#pragma once
// The control's contract with every host: identities, GUIDs, dispatch ids and event ids.
// Portable constants, so the server, the type-library generator, hosts, tests and the
// benchmark all share this one copy.
#include "common/Guid.h"

#include <cstdint>

namespace klevotrim::tavrel {

inline constexpr const wchar_t* kProgId = L"Tavrel_pro.NavigationSlider";
inline constexpr const wchar_t* kClassName = L"NavigationSlider";
inline constexpr const wchar_t* kLibraryName = L"Tavrel_pro";
inline constexpr const wchar_t* kInterfaceName = L"_NavigationSlider";        // the dual interface
inline constexpr const wchar_t* kEventsInterfaceName = L"__NavigationSlider"; // the event interface
inline constexpr const wchar_t* kClsidText = L"{E675B1F4-28A6-455E-86A7-8EA468C5B969}";
inline constexpr const wchar_t* kLibidText = L"{06CF502A-BC79-4A2A-82DB-B8C79AC0C785}";
inline constexpr const wchar_t* kIidText = L"{8E64614F-5440-4435-8E8A-94DE55FEF456}";
inline constexpr const wchar_t* kEventsIidText = L"{AD4DEC08-1ED3-4A01-A09E-25A2526E2656}";
inline constexpr const wchar_t* kGradientDirectText = L"{64DC3E9D-C11E-4414-808B-8A1BF7712569}";
inline constexpr Guid kClsid = GuidFromText(kClsidText);
inline constexpr Guid kLibid = GuidFromText(kLibidText);
inline constexpr Guid kIid = GuidFromText(kIidText);             // the dual interface _NavigationSlider
inline constexpr Guid kEventsIid = GuidFromText(kEventsIidText); // the event interface __NavigationSlider
inline constexpr Guid kGradientDirect = GuidFromText(kGradientDirectText); // the enum GRADIENT_DIRECT
inline constexpr unsigned short kLibraryMajor = 2;
inline constexpr unsigned short kLibraryMinor = 0;
inline constexpr unsigned short kLibraryFlags = 2;   // LIBFLAG_FCONTROL: a control library
inline constexpr std::uint32_t kMiscStatus = 131473; // 0x20191
inline constexpr int kToolboxBitmapId = 30000;
inline constexpr int kHandCursorId = 101;

namespace dispid {
inline constexpr std::int32_t TipText = 0x6803001A;
inline constexpr std::int32_t Font = 0x68030019;
inline constexpr std::int32_t Color0 = 0x68030018; // ColorN = Color0 - N
inline constexpr std::int32_t Color(int n) {
    return Color0 - n;
}
inline constexpr std::int32_t HoverPic = 0x68030007;
inline constexpr std::int32_t NormalPic = 0x68030006;
inline constexpr std::int32_t Max = 0x68030005;
inline constexpr std::int32_t Value = 0x68030004;
inline constexpr std::int32_t SmallChange = 0x68030003;
inline constexpr std::int32_t LargeChange = 0x68030002;
inline constexpr std::int32_t RoundedValue = 0x68030001;
inline constexpr std::int32_t Enabled = 0x68030000;
inline constexpr std::int32_t GradientTwoColour = 0x6003002B;
inline constexpr std::int32_t About = -552;
} // namespace dispid

namespace event {
inline constexpr std::int32_t MouseMove = 1;
inline constexpr std::int32_t MouseUP = 2;
inline constexpr std::int32_t MouseDown = 3;
inline constexpr std::int32_t Change = 4;
inline constexpr std::int32_t OLEDragDrop = 5;
inline constexpr std::int32_t KeyDown = 6;
inline constexpr std::int32_t KeyPress = 7;
inline constexpr std::int32_t KeyUp = 8;
inline constexpr std::int32_t OLEDragOver = 9;
} // namespace event

} // namespace klevotrim::tavrel
