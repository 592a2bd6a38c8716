// The artwork as the program sees it: every bitmap and the icon load from the linked resources
// with the sizes the windows lay themselves out by.
#include <windows.h>
#include <objbase.h> // UniqueHandle.h uses COM initialisation, which WIN32_LEAN_AND_MEAN leaves out

#include <gtest/gtest.h>

#include "art/ArtworkIds.h"
#include "common/win/UniqueHandle.h"

namespace {

using klevotrim::win::SelectScope;
using klevotrim::win::UniqueBitmap;
using klevotrim::win::UniqueIcon;
using klevotrim::win::UniqueMemoryDc;

UniqueBitmap LoadArtBitmap(int id) {
    return UniqueBitmap(static_cast<HBITMAP>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id),
                                                          IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
}

SIZE BitmapSize(HBITMAP bitmap) {
    BITMAP info{};
    if (::GetObjectW(bitmap, sizeof info, &info) != sizeof info)
        return SIZE{-1, -1};
    return SIZE{info.bmWidth, info.bmHeight};
}

COLORREF PixelOf(HBITMAP bitmap, int x, int y) {
    UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
    SelectScope select(dc.get(), bitmap);
    return ::GetPixel(dc.get(), x, y);
}

struct Expected {
    int id;
    int width;
    int height;
};

void ExpectBitmap(const Expected& e) {
    SCOPED_TRACE(e.id);
    UniqueBitmap bitmap = LoadArtBitmap(e.id);
    ASSERT_TRUE(bitmap) << "resource missing, error " << ::GetLastError();
    SIZE size = BitmapSize(bitmap.get());
    EXPECT_EQ(size.cx, e.width);
    EXPECT_EQ(size.cy, e.height);
}

TEST(Artwork, CaptionStripHasSevenStatesOfFixedIds) {
    for (int id = 101; id <= 107; ++id)
        ExpectBitmap({id, 41, 18});
    EXPECT_EQ(IDB_CAPTION_CLOSE_DOWN, 101);
    EXPECT_EQ(IDB_CAPTION_MIN_HOVER, 106);
    EXPECT_EQ(IDB_CAPTION_NORMAL, 107);
}

TEST(Artwork, SkinImagesHaveTheirLayoutSizes) {
    ExpectBitmap({IDB_TITLE_STRIP, 599, 18});
    ExpectBitmap({IDB_PANEL, 715, 59});
    ExpectBitmap({IDB_DISPLAY, 125, 34});
    ExpectBitmap({IDB_LOGO, 209, 209});
    ExpectBitmap({IDB_ABOUT, ART_ABOUT_WIDTH, ART_ABOUT_HEIGHT});
}

TEST(Artwork, EveryButtonHasSevenLooksOfOneSize) {
    for (int button = 0; button < ART_BUTTON_COUNT; ++button)
        for (int look = 0; look < ART_LOOK_COUNT; ++look)
            ExpectBitmap({IDB_BUTTON(button, look), ART_BUTTON_WIDTH, ART_BUTTON_HEIGHT});
    // Seven buttons at left 9, 6 px apart, leave room for the display in a 480-px window.
    EXPECT_LE(9 + 7 * ART_BUTTON_WIDTH + 6 * 6 + ART_DISPLAY_WIDTH + 3, 480);
}

TEST(Artwork, PixelsSurviveTheResourceCompiler) {
    // The logo melts into the empty video area only if its border is exactly RGB(63, 63, 63).
    UniqueBitmap logo = LoadArtBitmap(IDB_LOGO);
    ASSERT_TRUE(logo);
    EXPECT_EQ(PixelOf(logo.get(), 0, 0), RGB(63, 63, 63));
    EXPECT_EQ(PixelOf(logo.get(), 208, 208), RGB(63, 63, 63));

    // Bitmaps are stored bottom-up: a row swap would put the panel's dark bottom line on top.
    UniqueBitmap panel = LoadArtBitmap(IDB_PANEL);
    ASSERT_TRUE(panel);
    COLORREF top = PixelOf(panel.get(), 600, 0);
    COLORREF bottom = PixelOf(panel.get(), 600, 58);
    EXPECT_GT(GetGValue(top), GetGValue(bottom));

    // The mask look: transparent (white) corner, opaque (black) middle.
    UniqueBitmap mask = LoadArtBitmap(IDB_PLAY_MASK);
    ASSERT_TRUE(mask);
    EXPECT_EQ(PixelOf(mask.get(), 0, 0), RGB(255, 255, 255));
    EXPECT_EQ(PixelOf(mask.get(), 18, 15), RGB(0, 0, 0));

    // The display's inner colour is the one published for its labels.
    UniqueBitmap display = LoadArtBitmap(IDB_DISPLAY);
    ASSERT_TRUE(display);
    EXPECT_EQ(PixelOf(display.get(), 60, 10), static_cast<COLORREF>(ART_DISPLAY_BACK_COLOR));
}

TEST(Artwork, MainIconHasEveryImageWithAlpha) {
    HRSRC group = ::FindResourceW(nullptr, L"MAINICON", RT_GROUP_ICON);
    ASSERT_NE(group, nullptr);
    auto* directory = static_cast<BYTE*>(::LockResource(::LoadResource(nullptr, group)));
    ASSERT_NE(directory, nullptr);
    EXPECT_EQ(reinterpret_cast<const WORD*>(directory)[2], 5) << "five images in the icon";
    for (int size : {16, 24, 32, 48, 256}) {
        SCOPED_TRACE(size);
        int id = ::LookupIconIdFromDirectoryEx(directory, TRUE, size, size, LR_DEFAULTCOLOR);
        ASSERT_NE(id, 0);
        HRSRC image = ::FindResourceW(nullptr, MAKEINTRESOURCEW(id), RT_ICON);
        ASSERT_NE(image, nullptr);
        const auto* bytes = static_cast<const BYTE*>(::LockResource(::LoadResource(nullptr, image)));
        ASSERT_NE(bytes, nullptr);
        if (size == 256) {
            EXPECT_EQ(bytes[1], 'P') << "the large image is stored as PNG";
            continue;
        }
        const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(bytes);
        EXPECT_EQ(header->biWidth, size);
        EXPECT_EQ(header->biHeight, 2 * size);
        EXPECT_EQ(header->biBitCount, 32);
    }
}

TEST(Artwork, MainIconLoadsInTheSystemSizes) {
    // What the main window asks for when it sets its big and small icons.
    for (int size : {::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CXSMICON), 48}) {
        SCOPED_TRACE(size);
        UniqueIcon icon(static_cast<HICON>(
            ::LoadImageW(::GetModuleHandleW(nullptr), L"MAINICON", IMAGE_ICON, size, size, 0)));
        ASSERT_TRUE(icon) << "error " << ::GetLastError();
        ICONINFO info{};
        ASSERT_TRUE(::GetIconInfo(icon.get(), &info));
        UniqueBitmap color(info.hbmColor);
        UniqueBitmap mask(info.hbmMask);
        ASSERT_TRUE(color);
        EXPECT_EQ(BitmapSize(color.get()).cx, size);
        EXPECT_EQ(BitmapSize(color.get()).cy, size);
    }
}

} // namespace
