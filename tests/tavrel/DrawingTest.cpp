// What the seek bar paints: rendered into a DIB through IViewObject::Draw (the retained
// image) and read back from the screen where the window shows it.
#include "OleEnvironment.h"
#include "SliderTestSupport.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace tavrel_test;

namespace {
constexpr int W = 377, H = 9;
// 0x00BBGGRR colours and the 0x00RRGGBB pixels they give.
constexpr int kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000;
constexpr unsigned kRedPixel = 0xFF0000, kGreenPixel = 0x00FF00, kBluePixel = 0x0000FF;

unsigned Grey(unsigned level) {
    return Rgb(level, level, level);
}
bool IsGrey(unsigned pixel) {
    return (pixel & 0xFF) == ((pixel >> 8) & 0xFF) && (pixel & 0xFF) == ((pixel >> 16) & 0xFF);
}
} // namespace

class SliderDrawing : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(host.ok());
        slider = host.control();
    }
    // Solid track halves (red above, green below) and a solid blue filled part.
    void SolidColours() {
        for (int n : {0, 2})
            Put(slider, dispid::Color0 - n, Var(kRed));
        for (int n : {4, 6})
            Put(slider, dispid::Color0 - n, Var(kGreen));
        for (int n : {8, 10, 12, 14})
            Put(slider, dispid::Color0 - n, Var(kBlue));
    }
    std::vector<unsigned> Image() { return Render(slider, W, H); }

    AtlHost host{W, H};
    IDispatch* slider = nullptr;
};

TEST_F(SliderDrawing, TrackHalvesSplitAtRoundedHalfHeight) {
    SolidColours();
    ASSERT_EQ(S_OK, Put(slider, dispid::Value, Var(0)));
    auto image = Image();
    for (int x : {0, 100, W - 1}) {
        for (int y = 0; y <= 3; ++y)
            EXPECT_EQ(Pixel(image, W, x, y), kRedPixel) << x << "," << y;
        for (int y = 4; y <= 8; ++y)
            EXPECT_EQ(Pixel(image, W, x, y), kGreenPixel) << x << "," << y;
    }
}

TEST_F(SliderDrawing, FilledPartEndsAtTheRoundedMarker) {
    SolidColours();
    ASSERT_EQ(S_OK, Put(slider, dispid::Value, Var(50))); // marker at 188.5
    auto image = Image();
    EXPECT_EQ(Pixel(image, W, 0, 0), kBluePixel);
    EXPECT_EQ(Pixel(image, W, 187, 0), kBluePixel);
    EXPECT_EQ(Pixel(image, W, 187, 8), kBluePixel);
    EXPECT_EQ(Pixel(image, W, 188, 0), kRedPixel);
    EXPECT_EQ(Pixel(image, W, 188, 8), kGreenPixel);
}

TEST_F(SliderDrawing, NoFilledPartUntilValueReadsOne) {
    SolidColours();
    ASSERT_EQ(S_OK, Put(slider, dispid::Value, Var(0.5))); // marker right of 0, reads 0
    EXPECT_EQ(Pixel(Image(), W, 0, 0), kRedPixel);
    ASSERT_EQ(S_OK, Put(slider, dispid::Value, Var(1))); // marker at 3.77: filled up to 4
    auto image = Image();
    EXPECT_EQ(Pixel(image, W, 3, 0), kBluePixel);
    EXPECT_EQ(Pixel(image, W, 4, 0), kRedPixel);
}

TEST_F(SliderDrawing, DisabledLookIsAGreyTrackWithoutFilledPart) {
    ASSERT_EQ(S_OK, Put(slider, dispid::Value, Var(80)));
    ASSERT_EQ(S_OK, Put(slider, dispid::Enabled, Var::Bool(false)));
    auto image = Image();
    for (int x : {0, 10, 300, W - 1}) {
        EXPECT_EQ(Pixel(image, W, x, 0), Grey(186)) << x; // Color0's grey, the filled part gone
        EXPECT_EQ(Pixel(image, W, x, 4), Grey(163)) << x; // Color4's grey
        for (int y = 0; y < H; ++y)
            EXPECT_TRUE(IsGrey(Pixel(image, W, x, y))) << x << "," << y;
    }
    const unsigned row3 = Pixel(image, W, 5, 3) & 0xFF, row8 = Pixel(image, W, 5, 8) & 0xFF;
    EXPECT_TRUE(row3 >= 171 && row3 <= 186) << row3; // towards Color2's grey 171
    EXPECT_TRUE(row8 >= 143 && row8 <= 163) << row8; // towards Color6's grey 143

    ASSERT_EQ(S_OK, Put(slider, dispid::Color0, Var(kRed))); // no effect on the greyed image
    EXPECT_EQ(Image(), image);

    ASSERT_EQ(S_OK, Put(slider, dispid::Enabled, Var::Bool(true)));
    image = Image();
    EXPECT_EQ(Pixel(image, W, 0, 0), Rgb(251, 244, 223)); // filled part back, Color8
    EXPECT_EQ(Pixel(image, W, 350, 0), kRedPixel);
}

TEST_F(SliderDrawing, RegionIsSquareOrRoundedByRoundedValue) {
    HWND window = host.controlWindow();
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_EQ(S_OK, Put(slider, dispid::RoundedValue, Var(0)));
    ASSERT_NE(GetWindowRgn(window, region), ERROR);
    EXPECT_TRUE(PtInRegion(region, 0, 0));
    EXPECT_TRUE(PtInRegion(region, W - 2, H - 2)); // a region leaves out its right and bottom edges
    ASSERT_EQ(S_OK, Put(slider, dispid::RoundedValue, Var(H)));
    ASSERT_NE(GetWindowRgn(window, region), ERROR);
    EXPECT_FALSE(PtInRegion(region, 0, 0)); // each end a half disc
    EXPECT_FALSE(PtInRegion(region, W - 1, 0));
    EXPECT_TRUE(PtInRegion(region, 0, H / 2));
    EXPECT_TRUE(PtInRegion(region, W / 2, 0));
    DeleteObject(region);
}

TEST_F(SliderDrawing, ThePaintedWindowShowsTheRetainedImage) {
    SolidColours();
    ASSERT_EQ(S_OK, Put(slider, dispid::RoundedValue, Var(0)));
    ASSERT_EQ(S_OK, Put(slider, dispid::Value, Var(50)));
    HWND window = host.controlWindow();
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    klevotrim::test::PumpMessages(50);
    auto screen = Capture(window, W, H);
    EXPECT_EQ(Pixel(screen, W, 100, 1), kBluePixel);
    EXPECT_EQ(Pixel(screen, W, 300, 1), kRedPixel);
    EXPECT_EQ(Pixel(screen, W, 300, 7), kGreenPixel);
}

TEST_F(SliderDrawing, PointerRepaintFollowsThePressAndAResizeDropsTheFilledPart) {
    SolidColours();
    HWND window = host.controlWindow();
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 4));
    SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(100, 4));
    auto image = Image();
    EXPECT_EQ(Pixel(image, W, 99, 0), kBluePixel);
    EXPECT_EQ(Pixel(image, W, 100, 0), kRedPixel);

    ComPtr<IOleInPlaceObject> inPlace;
    ASSERT_EQ(S_OK, host.control()->QueryInterface(IID_PPV_ARGS(&inPlace)));
    RECT smaller{0, 0, 200, H};
    ASSERT_EQ(S_OK, inPlace->SetObjectRects(&smaller, &smaller));
    image = Render(slider, 200, H);
    EXPECT_EQ(Pixel(image, 200, 10, 0), kRedPixel); // only the track after a resize
    ASSERT_EQ(S_OK, Put(slider, dispid::Value, Var(50)));
    EXPECT_EQ(Pixel(Render(slider, 200, H), 200, 10, 0), kBluePixel);
}
