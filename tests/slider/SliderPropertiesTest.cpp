// Saving and restoring the control's settings through a host's property bag, and the picture
// and OnlyNumber surface hosts use.
#include "MemoryPropertyBag.h"
#include "SliderTestHost.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace klevotrim::test {
namespace {

using Microsoft::WRL::ComPtr;

win::Variant Text(const wchar_t* text) {
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocString(text);
    win::Variant owned(value);
    VariantClear(&value);
    return owned;
}

std::int32_t AsInt(const win::Variant& value) {
    EXPECT_EQ(value.get().vt, VT_I4);
    return value.get().lVal;
}

IPictureDisp* PictureIn(const MemoryPropertyBag& bag, const wchar_t* name) {
    const VARIANT* value = bag.Find(name);
    if (!value || value->vt != VT_DISPATCH)
        return nullptr;
    return static_cast<IPictureDisp*>(value->pdispVal);
}

class SliderPropertiesTest : public ::testing::Test {
  protected:
    Slider& slider() { return host.slider(); }
    SliderTestHost host;
};

TEST_F(SliderPropertiesTest, ANewControlSavesOnlyItsPictures) {
    MemoryPropertyBag bag;
    ASSERT_EQ(slider().WriteProperties(&bag), S_OK);
    EXPECT_EQ(bag.Names(),
              (std::vector<std::wstring>{L"imgNormal", L"imgBarNormal", L"imgBarHover", L"imgBarInactive"}));
    EXPECT_EQ(PictureIn(bag, L"imgNormal"), slider().imgNormal().Get());
    EXPECT_EQ(PictureIn(bag, L"imgBarInactive"), slider().imgBarInactive().Get());
}

TEST_F(SliderPropertiesTest, EverySettingIsSavedInOrderAndRestored) {
    ComPtr<IPictureDisp> track = MakeDefaultPicture(SliderPicture::Track);
    slider().imgNormal(track.Get());
    slider().SmallChange(win::Variant(5).get());
    slider().LargeChange(Text(L"15").get());
    ASSERT_EQ(slider().Max(win::Variant(60).get()), S_OK);
    slider().Value(win::Variant(45).get());
    slider().Enabled(true);

    MemoryPropertyBag bag;
    ASSERT_EQ(slider().WriteProperties(&bag), S_OK);
    EXPECT_EQ(bag.Names(),
              (std::vector<std::wstring>{L"SmallChange", L"LargeChange", L"imgNormal", L"imgBarNormal",
                                         L"imgBarHover", L"imgBarInactive", L"Max", L"Value"}));
    EXPECT_EQ(bag.Find(L"LargeChange")->vt, VT_BSTR); // stored as given

    SliderTestHost other;
    std::vector<std::wstring> changed;
    other.slider().onPropertyChanged = [&](std::wstring_view name) { changed.emplace_back(name); };
    ASSERT_EQ(other.slider().ReadProperties(&bag), S_OK);
    // Properties are read in the order they are written.
    EXPECT_EQ(bag.reads, (std::vector<std::wstring>{L"Enabled", L"SmallChange", L"LargeChange", L"imgNormal",
                                                    L"imgBarNormal", L"imgBarHover", L"imgBarInactive",
                                                    L"Max", L"Value"}));
    EXPECT_TRUE(changed.empty()); // loading is not a change
    EXPECT_TRUE(other.slider().Enabled());
    EXPECT_EQ(AsInt(other.slider().SmallChange()), 5);
    EXPECT_EQ(other.slider().LargeChange().get().vt, VT_BSTR);
    EXPECT_EQ(AsInt(other.slider().Max()), 60);
    EXPECT_EQ(AsInt(other.slider().Value()), 45);
    EXPECT_EQ(other.slider().imgNormal().Get(), track.Get());
    EXPECT_EQ(other.slider().imgBarHover().Get(), slider().imgBarHover().Get());
}

TEST_F(SliderPropertiesTest, ADisabledControlSavesEnabledAndLoadsParked) {
    slider().Value(win::Variant(7).get());
    slider().Enabled(false);
    MemoryPropertyBag bag;
    ASSERT_EQ(slider().WriteProperties(&bag), S_OK);
    ASSERT_NE(bag.Find(L"Enabled"), nullptr);
    EXPECT_EQ(bag.Find(L"Enabled")->boolVal, VARIANT_FALSE);
    // The parked thumb reads 0, which is not the default, so it is saved too.
    ASSERT_NE(bag.Find(L"Value"), nullptr);
    EXPECT_EQ(bag.Find(L"Value")->lVal, 0);

    // Even a bag that says Value 9 leaves a disabled control parked.
    bag.Put(L"Value", win::Variant(9).get());
    SliderTestHost other;
    ASSERT_EQ(other.slider().ReadProperties(&bag), S_OK);
    EXPECT_FALSE(other.slider().Enabled());
    EXPECT_EQ(other.slider().Look(), ThumbLook::Inactive);
    EXPECT_EQ(AsInt(other.slider().Value()), 0);
}

TEST_F(SliderPropertiesTest, AnEmptyBagGivesTheDefaultsAndTheBuiltInLook) {
    slider().Enabled(false);
    ASSERT_EQ(slider().Max(win::Variant(99).get()), S_OK);
    MemoryPropertyBag empty;
    ASSERT_EQ(slider().ReadProperties(&empty), S_OK);
    EXPECT_EQ(empty.untidyRequests, 0); // each read names only its type
    EXPECT_TRUE(slider().Enabled());
    EXPECT_EQ(AsInt(slider().Max()), 10);
    EXPECT_EQ(AsInt(slider().Value()), 1);
    EXPECT_EQ(AsInt(slider().SmallChange()), 1);
    EXPECT_EQ(AsInt(slider().LargeChange()), 1);
    // No saved pictures: the properties hold none, the control still shows its own skin.
    EXPECT_FALSE(slider().imgNormal());
    EXPECT_FALSE(slider().imgBarNormal());
    RECT client{};
    GetClientRect(slider().hwnd(), &client);
    EXPECT_EQ(client.right, 234);
    EXPECT_EQ(client.bottom, 9);
    EXPECT_DOUBLE_EQ(slider().Travel(), 208);
    // And such a control writes nothing at all.
    MemoryPropertyBag out;
    ASSERT_EQ(slider().WriteProperties(&out), S_OK);
    EXPECT_TRUE(out.Names().empty());
}

TEST_F(SliderPropertiesTest, DamagedSettingsFallBackInsteadOfFailingTheLoad) {
    MemoryPropertyBag bag;
    bag.Put(L"Enabled", Text(L"maybe").get());
    bag.Put(L"Max", Text(L"abc").get());
    bag.Put(L"Value", Text(L"xyz").get());
    bag.Put(L"imgNormal", Text(L"not a picture").get());
    ASSERT_EQ(slider().ReadProperties(&bag), S_OK);
    EXPECT_TRUE(slider().Enabled());
    EXPECT_EQ(AsInt(slider().Max()), 10);
    EXPECT_FALSE(slider().imgNormal());
    EXPECT_EQ(AsInt(slider().Value()), 1); // the text Value is ignored: the thumb stays

    MemoryPropertyBag low;
    low.Put(L"Max", win::Variant(0).get());
    low.Put(L"Value", Text(L"25").get());
    ASSERT_EQ(slider().ReadProperties(&low), S_OK);
    EXPECT_EQ(AsInt(slider().Max()), 1);
    EXPECT_EQ(AsInt(slider().Value()), 1);
    EXPECT_DOUBLE_EQ(slider().ThumbLeft(), 208);
}

TEST_F(SliderPropertiesTest, AFailingBagIsReported) {
    MemoryPropertyBag full;
    full.failWritesWith = STG_E_MEDIUMFULL;
    EXPECT_EQ(slider().WriteProperties(&full), STG_E_MEDIUMFULL);
    EXPECT_EQ(slider().WriteProperties(nullptr), E_POINTER);
    EXPECT_EQ(slider().ReadProperties(nullptr), E_POINTER);
}

TEST_F(SliderPropertiesTest, SettingAPictureMarksItChangedAndRedraws) {
    std::vector<std::wstring> changed;
    slider().onPropertyChanged = [&](std::wstring_view name) { changed.emplace_back(name); };
    ComPtr<IPictureDisp> picture = MakeDefaultPicture(SliderPicture::BarInactive);
    slider().imgNormal(picture.Get());
    slider().imgBarNormal(picture.Get());
    slider().imgBarHover(picture.Get());
    slider().imgBarInactive(picture.Get());
    EXPECT_EQ(changed,
              (std::vector<std::wstring>{L"imgNormal", L"imgBarNormal", L"imgBarHover", L"imgBarInactive"}));
    // A 26-pixel track with a 26-pixel thumb.
    RECT client{};
    GetClientRect(slider().hwnd(), &client);
    EXPECT_EQ(client.right, 26);
    EXPECT_EQ(slider().imgBarHover().Get(), picture.Get());
    // SmallChange, LargeChange and Max are plain stores.
    slider().SmallChange(win::Variant(3).get());
    slider().Max(win::Variant(30).get());
    EXPECT_EQ(changed.size(), 4u);
}

TEST_F(SliderPropertiesTest, TheBuiltInPicturesPersistAsPictureData) {
    // A host's bag that keeps data rather than objects saves a picture through its stream.
    ComPtr<IPersistStream> persist;
    ASSERT_EQ(slider().imgBarHover()->QueryInterface(IID_IPersistStream,
                                                     reinterpret_cast<void**>(persist.GetAddressOf())),
              S_OK);
    ComPtr<IStream> stream;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.GetAddressOf()), S_OK);
    ASSERT_EQ(persist->Save(stream.Get(), TRUE), S_OK);
    LARGE_INTEGER start{};
    ASSERT_EQ(stream->Seek(start, STREAM_SEEK_SET, nullptr), S_OK);
    ComPtr<IPictureDisp> loaded;
    ASSERT_EQ(OleLoadPicture(stream.Get(), 0, FALSE, IID_IPictureDisp,
                             reinterpret_cast<void**>(loaded.GetAddressOf())),
              S_OK);
    SIZE size = PicturePixelSize(loaded.Get());
    EXPECT_EQ(size.cx, 26);
    EXPECT_EQ(size.cy, 9);

    // The loaded copy skins the control like the original.
    slider().imgBarNormal(loaded.Get());
    EXPECT_DOUBLE_EQ(slider().Travel(), 208);
}

TEST(SliderOnlyNumberMethod, ReportsOverflowAsAnError) {
    std::int32_t number = -1;
    EXPECT_EQ(Slider::OnlyNumber(L"a1b2c3", number), S_OK);
    EXPECT_EQ(number, 123);
    EXPECT_EQ(Slider::OnlyNumber(L"", number), S_OK);
    EXPECT_EQ(number, 0);
    number = 77;
    EXPECT_EQ(Slider::OnlyNumber(L"99999999999", number), DISP_E_OVERFLOW);
    EXPECT_EQ(number, 77); // left as it was
}

} // namespace
} // namespace klevotrim::test
