// The control's automation surface as a host uses it: the value model, wrong calls,
// persistence, change notifications, GradientTwoColour and About.
#include "OleEnvironment.h"
#include "SliderTestSupport.h"

#include "MemoryPropertyBag.h"
#include "common/win/ComObject.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <olectl.h>

#include <map>
#include <string>

using namespace tavrel_test;

namespace {

class NotifySink final : public klevotrim::win::UncountedComObject<IPropertyNotifySink> {
  public:
    std::vector<DISPID> changed;
    STDMETHODIMP OnChanged(DISPID id) override {
        changed.push_back(id);
        return S_OK;
    }
    STDMETHODIMP OnRequestEdit(DISPID) override { return S_OK; }
};

ComPtr<IDispatch> CreateUninitialised() {
    CLSID clsid{};
    CLSIDFromProgID(kProgId, &clsid);
    ComPtr<IDispatch> slider;
    CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&slider));
    return slider;
}

// A host form whose ambient font is `font` (and which has no other ambient property).
class AmbientFontSite final : public klevotrim::win::UncountedComObject<IOleClientSite, IDispatch> {
  public:
    explicit AmbientFontSite(IFontDisp* font) : font_(font) {}
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP GetContainer(IOleContainer**) override { return E_NOINTERFACE; }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                        UINT*) override {
        if (id != DISPID_AMBIENT_FONT || !result)
            return DISP_E_MEMBERNOTFOUND;
        result->vt = VT_DISPATCH;
        result->pdispVal = font_.Get();
        font_->AddRef();
        return S_OK;
    }

  private:
    ComPtr<IFontDisp> font_;
};

ComPtr<IFontDisp> MakeFont(const wchar_t* name, LONGLONG size, bool bold = false) {
    FONTDESC desc{sizeof(FONTDESC),
                  const_cast<LPOLESTR>(name),
                  {},
                  static_cast<SHORT>(bold ? FW_BOLD : FW_NORMAL),
                  DEFAULT_CHARSET,
                  FALSE,
                  FALSE,
                  FALSE};
    desc.cySize.int64 = size;
    ComPtr<IFontDisp> font;
    OleCreateFontIndirect(&desc, IID_IFontDisp, reinterpret_cast<void**>(font.GetAddressOf()));
    return font;
}

bool SameObject(const Var& held, IUnknown* object) {
    ComPtr<IUnknown> a, b;
    return held.v.vt == VT_DISPATCH && held.v.pdispVal &&
           SUCCEEDED(held.v.pdispVal->QueryInterface(IID_PPV_ARGS(&a))) &&
           SUCCEEDED(object->QueryInterface(IID_PPV_ARGS(&b))) && a == b;
}

} // namespace

// Hosted at 377 x 9 pixels, as the program places its seek bar.
class SliderValue : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(host.ok());
        slider = host.control();
    }
    AtlHost host{377, 9};
    IDispatch* slider = nullptr;
};

TEST_F(SliderValue, StartsAtFiftyOfHundred) {
    EXPECT_EQ(GetInt(slider, dispid::Max), 100);
    EXPECT_EQ(GetInt(slider, dispid::Value), 50);
    Var small = Get(slider, dispid::SmallChange);
    EXPECT_EQ(small.v.vt, VT_EMPTY);
}

TEST_F(SliderValue, PinsAtBothEnds) {
    ASSERT_EQ(S_OK, Put(slider, dispid::Value, Var(-5)));
    EXPECT_EQ(GetInt(slider, dispid::Value), 0);
    ASSERT_EQ(S_OK, Put(slider, dispid::Value, Var(110)));
    EXPECT_EQ(GetInt(slider, dispid::Value), 100);
    ASSERT_EQ(S_OK, Put(slider, dispid::Value, Var(100.4)));
    EXPECT_EQ(GetInt(slider, dispid::Value), 100);
}

TEST_F(SliderValue, TextIsTakenOnlyWhenItReadsAsANumber) {
    ASSERT_EQ(S_OK, Put(slider, dispid::Value, Var(L"abc")));
    EXPECT_EQ(GetInt(slider, dispid::Value), 50);
    ASSERT_EQ(S_OK, Put(slider, dispid::Value, Var(L"25")));
    EXPECT_EQ(GetInt(slider, dispid::Value), 25);
}

TEST_F(SliderValue, MaxMinimumRuleAndStorageAsAssigned) {
    for (Var bad : {Var(0), Var(-3), Var(0.4)}) {
        ASSERT_EQ(S_OK, Put(slider, dispid::Max, bad));
        EXPECT_EQ(GetInt(slider, dispid::Max), 1);
    }
    ASSERT_EQ(S_OK, Put(slider, dispid::Max, Var(2.5)));
    EXPECT_EQ(GetInt(slider, dispid::Max), 2); // stored as 2.5, read rounded halves to even
    EXPECT_EQ(DISP_E_TYPEMISMATCH, Put(slider, dispid::Max, Var(L"abc")));
    EXPECT_EQ(GetInt(slider, dispid::Max), 2);
}

TEST_F(SliderValue, MaxChangeRescalesTheMarker) {
    ASSERT_EQ(S_OK, Put(slider, dispid::Value, Var(50)));
    ASSERT_EQ(S_OK, Put(slider, dispid::Max, Var(200)));
    EXPECT_EQ(GetInt(slider, dispid::Value), 100);
    ASSERT_EQ(S_OK, Put(slider, dispid::Max, Var(3600)));
    ASSERT_EQ(S_OK, Put(slider, dispid::Value, Var(1000)));
    EXPECT_EQ(GetInt(slider, dispid::Value), 1000);
}

TEST_F(SliderValue, DisabledIgnoresAssignmentsAndKeepsTheOldValue) {
    ASSERT_EQ(S_OK, Put(slider, dispid::Value, Var(30)));
    ASSERT_EQ(S_OK, Put(slider, dispid::Enabled, Var::Bool(false)));
    ASSERT_EQ(S_OK, Put(slider, dispid::Value, Var(80)));
    EXPECT_EQ(GetInt(slider, dispid::Value), 30);
    ASSERT_EQ(S_OK, Put(slider, dispid::Enabled, Var::Bool(true)));
    EXPECT_EQ(GetInt(slider, dispid::Value), 30);
}

namespace {
bool* timerFlag = nullptr;
// A named CALLBACK, not a lambda: on 32-bit Windows a lambda does not convert to a stdcall TIMERPROC.
void CALLBACK RaiseTimerFlag(HWND, UINT, UINT_PTR, DWORD) {
    *timerFlag = true;
}
} // namespace

TEST_F(SliderValue, AssignmentRunsPendingMessagesFirst) {
    // A press queued before the assignment is handled inside it, before the new value.
    HWND window = host.controlWindow();
    bool timerRan = false;
    timerFlag = &timerRan;
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(94, 4));
    PostMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(94, 4));
    UINT_PTR timer = SetTimer(nullptr, 0, 1, RaiseTimerFlag);
    Sleep(30);
    EventSink sink;
    ASSERT_EQ(S_OK, sink.Connect(slider));
    ASSERT_EQ(S_OK, Put(slider, dispid::Value, Var(70)));
    KillTimer(nullptr, timer);
    EXPECT_EQ(sink.Count(3), 1u); // the queued MouseDown ran inside the assignment
    EXPECT_TRUE(timerRan);
    EXPECT_EQ(GetInt(slider, dispid::Value), 70); // and the assigned value won
    sink.Disconnect();
}

TEST(SliderDispatch, WrongTypesAndCountsGiveClearErrors) {
    auto slider = CreateSlider();
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(DISP_E_TYPEMISMATCH, Put(slider.Get(), dispid::Color0, Var(L"abc")));
    EXPECT_EQ(DISP_E_TYPEMISMATCH, Put(slider.Get(), dispid::RoundedValue, Var(L"round")));
    EXPECT_EQ(DISP_E_TYPEMISMATCH, Put(slider.Get(), dispid::Enabled, Var(L"maybe")));
    EXPECT_EQ(DISP_E_TYPEMISMATCH, Put(slider.Get(), dispid::Font, Var(5), DISPATCH_PROPERTYPUTREF));

    Var result;
    EXPECT_EQ(DISP_E_BADPARAMCOUNT,
              Call(slider.Get(), dispid::Value, {Var(1)}, &result, DISPATCH_PROPERTYGET));
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, Call(slider.Get(), dispid::GradientTwoColour, {Var(0), Var(1), Var(2)}));
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, Call(slider.Get(), dispid::About, {Var(1)}));
    Var two[2] = {Var(1), Var(2)};
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS tooMany{&two[0].v, &named, 2, 1};
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, slider->Invoke(dispid::Value, IID_NULL, 0, DISPATCH_PROPERTYPUT, &tooMany,
                                                   nullptr, nullptr, nullptr));
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Get(slider.Get(), dispid::RoundedValue, result)); // let only
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Get(slider.Get(), 12345, result));
    EXPECT_EQ(DISP_E_UNKNOWNINTERFACE, slider->Invoke(dispid::Value, IID_IDispatch, 0, DISPATCH_PROPERTYGET,
                                                      &tooMany, nullptr, nullptr, nullptr));

    LPOLESTR name = const_cast<LPOLESTR>(L"Value");
    DISPID id = 0;
    ASSERT_EQ(S_OK, slider->GetIDsOfNames(IID_NULL, &name, 1, 0, &id));
    EXPECT_EQ(id, dispid::Value);
    LPOLESTR unknown = const_cast<LPOLESTR>(L"Nope");
    EXPECT_EQ(DISP_E_UNKNOWNNAME, slider->GetIDsOfNames(IID_NULL, &unknown, 1, 0, &id));
    EXPECT_EQ(GetInt(slider.Get(), dispid::Value), 50); // nothing above changed the control
}

TEST(SliderDispatch, EveryPropertyReadsBackWhatWasAssigned) {
    auto slider = CreateSlider();
    ASSERT_NE(slider, nullptr);
    for (int n = 0; n <= 16; ++n) {
        ASSERT_EQ(S_OK, Put(slider.Get(), dispid::Color0 - n, Var(0x010203 * n)));
        EXPECT_EQ(GetInt(slider.Get(), dispid::Color0 - n), 0x010203 * n);
    }
    ASSERT_EQ(S_OK, Put(slider.Get(), dispid::SmallChange, Var(L"5")));
    Var small = Get(slider.Get(), dispid::SmallChange);
    ASSERT_EQ(small.v.vt, VT_BSTR); // stored as assigned
    EXPECT_STREQ(small.v.bstrVal, L"5");
    ASSERT_EQ(S_OK, Put(slider.Get(), dispid::LargeChange, Var(10)));
    EXPECT_EQ(GetInt(slider.Get(), dispid::LargeChange), 10);

    Var font = Get(slider.Get(), dispid::Font);
    ASSERT_EQ(font.v.vt, VT_DISPATCH);
    ASSERT_NE(font.v.pdispVal, nullptr);
    ASSERT_EQ(S_OK, Put(slider.Get(), dispid::Font, font, DISPATCH_PROPERTYPUTREF));

    Var none;
    none.v.vt = VT_DISPATCH;
    none.v.pdispVal = nullptr;
    ASSERT_EQ(S_OK, Put(slider.Get(), dispid::HoverPic, none, DISPATCH_PROPERTYPUTREF));
    ASSERT_EQ(S_OK, Put(slider.Get(), dispid::NormalPic, none));
    Var picture = Get(slider.Get(), dispid::HoverPic);
    EXPECT_TRUE(picture.v.vt == VT_DISPATCH && picture.v.pdispVal == nullptr);
}

TEST(SliderPersistence, BagWithOnlyValueAndRoundedValueLoadsDefaults) {
    auto slider = CreateUninitialised();
    ASSERT_NE(slider, nullptr);
    ComPtr<IPersistPropertyBag> persist;
    ASSERT_EQ(S_OK, slider.As(&persist));
    klevotrim::test::MemoryPropertyBag bag;
    bag.Put(L"Value", Var(30).v);
    bag.Put(L"RoundedValue", Var(2).v);
    ASSERT_EQ(S_OK, persist->Load(&bag, nullptr));
    const int defaults[17] = {0xC3BCAE, 0xC8C1B2, 0xB7AE9B, 0xAFA791, 0xAFA791, 0xA1977E,
                              0x7A949E, 0x93886B, 0xDFF4FB, 0xDFF4FB, 0x85D5EF, 0x85D5EF,
                              0x39A6CB, 0x39A6CB, 0xBBE0ED, 0xBBE0ED, 0x3EA8CC};
    for (int n = 0; n <= 16; ++n)
        EXPECT_EQ(GetInt(slider.Get(), dispid::Color0 - n), defaults[n]) << n;
    EXPECT_EQ(GetInt(slider.Get(), dispid::Max), 100);
    EXPECT_EQ(GetInt(slider.Get(), dispid::Value), 30);
    Var tip = Get(slider.Get(), dispid::TipText);
    EXPECT_STREQ(tip.v.bstrVal, L"ToolTip");
    EXPECT_EQ(Get(slider.Get(), dispid::Enabled).v.boolVal, VARIANT_TRUE);
    EXPECT_EQ(GetInt(slider.Get(), dispid::SmallChange), 1);
}

TEST(SliderPersistence, KeysThatCannotBeAppliedAreSkipped) {
    auto slider = CreateUninitialised();
    ComPtr<IPersistPropertyBag> persist;
    ASSERT_EQ(S_OK, slider.As(&persist));
    klevotrim::test::MemoryPropertyBag bag;
    bag.Put(L"Max", Var(L"lots").v);
    bag.Put(L"Value", Var(40).v);
    bag.Put(L"Color3", Var(L"teal").v);
    bag.Put(L"Color4", Var(0x112233).v);
    ASSERT_EQ(S_OK, persist->Load(&bag, nullptr));
    EXPECT_EQ(GetInt(slider.Get(), dispid::Max), 100);
    EXPECT_EQ(GetInt(slider.Get(), dispid::Value), 40);
    EXPECT_EQ(GetInt(slider.Get(), dispid::Color0 - 4), 0x112233);
}

TEST(SliderPersistence, SavesOnlyWhatDiffersFromTheStoredDefaults) {
    auto slider = CreateSlider(); // a new control: TipText empty, RoundedValue 2, Value 50
    ComPtr<IPersistPropertyBag> persist;
    ASSERT_EQ(S_OK, slider.As(&persist));
    ASSERT_EQ(S_OK, Put(slider.Get(), dispid::Max, Var(2.5)));
    ASSERT_EQ(S_OK, Put(slider.Get(), dispid::Color0 - 5, Var(0x00FF00)));
    klevotrim::test::MemoryPropertyBag bag;
    ASSERT_EQ(S_OK, persist->Save(&bag, TRUE, FALSE));
    ASSERT_TRUE(bag.Find(L"TipText"));
    EXPECT_EQ(bag.Find(L"TipText")->vt, VT_BSTR);
    EXPECT_EQ(SysStringLen(bag.Find(L"TipText")->bstrVal), 0u); // empty differs from "ToolTip"
    EXPECT_EQ(bag.Find(L"RoundedValue")->lVal, 2);
    ASSERT_EQ(bag.Find(L"Max")->vt, VT_R8); // exactly as stored
    EXPECT_EQ(bag.Find(L"Max")->dblVal, 2.5);
    EXPECT_EQ(bag.Find(L"Color5")->lVal, 0x00FF00);
    for (const wchar_t* key : {L"Color0", L"Color16", L"Enabled", L"HoverPic", L"NormalPic"})
        EXPECT_FALSE(bag.Find(key)) << key;
    EXPECT_TRUE(bag.Find(L"SmallChange")); // empty differs from 1
    EXPECT_FALSE(bag.Find(L"Font"));       // the standard font equals a plain host's default
}

TEST(SliderPersistence, AFontEqualToTheHostFormsIsNotSavedAndAReloadFollowsTheHost) {
    ComPtr<IFontDisp> formFont = MakeFont(L"Tahoma", 90000);
    ASSERT_NE(formFont, nullptr);
    AmbientFontSite site(formFont.Get());
    // A control placed on that form and loaded from `bag`.
    auto load = [&](klevotrim::test::MemoryPropertyBag& bag, ComPtr<IPersistPropertyBag>& persist) {
        auto slider = CreateUninitialised();
        ComPtr<IOleObject> object;
        if (FAILED(slider.As(&object)) || FAILED(slider.As(&persist)) ||
            FAILED(object->SetClientSite(&site)) || FAILED(persist->Load(&bag, nullptr)))
            return ComPtr<IDispatch>();
        return slider;
    };
    auto withFont = [](ComPtr<IFontDisp> font) {
        Var v;
        v.v.vt = VT_DISPATCH;
        v.v.pdispVal = font.Detach();
        return v;
    };
    klevotrim::test::MemoryPropertyBag empty;
    ComPtr<IPersistPropertyBag> persist;
    auto slider = load(empty, persist);
    ASSERT_NE(slider, nullptr);
    EXPECT_TRUE(SameObject(Get(slider.Get(), dispid::Font), formFont.Get())); // no saved font: the form's

    // A separate object of the same font is still the default: nothing saved.
    ASSERT_EQ(S_OK,
              Put(slider.Get(), dispid::Font, withFont(MakeFont(L"TAHOMA", 90000)), DISPATCH_PROPERTYPUTREF));
    klevotrim::test::MemoryPropertyBag saved;
    ASSERT_EQ(S_OK, persist->Save(&saved, TRUE, FALSE));
    EXPECT_FALSE(saved.Find(L"Font"));

    // Any field that differs (here the weight) is saved, and a reload keeps it.
    ASSERT_EQ(S_OK, Put(slider.Get(), dispid::Font, withFont(MakeFont(L"Tahoma", 90000, true)),
                        DISPATCH_PROPERTYPUTREF));
    klevotrim::test::MemoryPropertyBag bold;
    ASSERT_EQ(S_OK, persist->Save(&bold, TRUE, FALSE));
    ASSERT_TRUE(bold.Find(L"Font"));
    ComPtr<IPersistPropertyBag> copyPersist;
    auto copy = load(bold, copyPersist);
    ASSERT_NE(copy, nullptr);
    Var loaded = Get(copy.Get(), dispid::Font);
    ComPtr<IFont> loadedFont;
    ASSERT_EQ(loaded.v.vt, VT_DISPATCH);
    ASSERT_EQ(S_OK, loaded.v.pdispVal->QueryInterface(IID_PPV_ARGS(&loadedFont)));
    BOOL isBold = FALSE;
    loadedFont->get_Bold(&isBold);
    EXPECT_TRUE(isBold);
}

TEST(SliderPersistence, TheBagIsAskedWithAFullyClearedVariantAndAFailingBagLoadsDefaults) {
    klevotrim::win::Variant reused(L"stale text");
    const VARIANT* request = reused.putRequest(VT_DISPATCH);
    EXPECT_EQ(request->vt, VT_DISPATCH);
    EXPECT_EQ(request->punkVal, nullptr); // not the freed text's pointer

    auto slider = CreateUninitialised();
    ComPtr<IPersistPropertyBag> persist;
    ASSERT_EQ(S_OK, slider.As(&persist));
    klevotrim::test::MemoryPropertyBag bag;
    bag.failReadsWith = E_FAIL;
    ASSERT_EQ(S_OK, persist->Load(&bag, nullptr));
    EXPECT_EQ(bag.reads.size(), 27u); // every key asked for, each skipped
    EXPECT_EQ(bag.untidyRequests, 0);
    EXPECT_EQ(GetInt(slider.Get(), dispid::Max), 100);
    EXPECT_EQ(GetInt(slider.Get(), dispid::Value), 1);
    EXPECT_EQ(Get(slider.Get(), dispid::Font).v.vt, VT_DISPATCH);
}

TEST(SliderPersistence, StreamRoundTripRestoresTheControl) {
    auto source = CreateSlider();
    ASSERT_EQ(S_OK, Put(source.Get(), dispid::TipText, Var(L"Seek \u00e9\u4e2d")));
    ASSERT_EQ(S_OK, Put(source.Get(), dispid::Max, Var(3600)));
    ASSERT_EQ(S_OK, Put(source.Get(), dispid::Value, Var(1000)));
    ASSERT_EQ(S_OK, Put(source.Get(), dispid::Color0 - 8, Var(0x0000FF)));
    ASSERT_EQ(S_OK, Put(source.Get(), dispid::Enabled, Var::Bool(false)));
    ComPtr<IStream> stream;
    ASSERT_EQ(S_OK, CreateStreamOnHGlobal(nullptr, TRUE, &stream));
    ComPtr<IPersistStreamInit> save;
    ASSERT_EQ(S_OK, source.As(&save));
    ASSERT_EQ(S_OK, save->Save(stream.Get(), TRUE));
    EXPECT_EQ(S_FALSE, save->IsDirty());

    LARGE_INTEGER start{};
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    auto copy = CreateUninitialised();
    ComPtr<IPersistStreamInit> load;
    ASSERT_EQ(S_OK, copy.As(&load));
    ASSERT_EQ(S_OK, load->Load(stream.Get()));
    EXPECT_STREQ(Get(copy.Get(), dispid::TipText).v.bstrVal, L"Seek \u00e9\u4e2d");
    EXPECT_EQ(GetInt(copy.Get(), dispid::Max), 3600);
    EXPECT_EQ(GetInt(copy.Get(), dispid::Value), 1000);
    EXPECT_EQ(GetInt(copy.Get(), dispid::Color0 - 8), 0x0000FF);
    EXPECT_EQ(Get(copy.Get(), dispid::Enabled).v.boolVal, VARIANT_FALSE);
    EXPECT_EQ(Get(copy.Get(), dispid::Font).v.vt, VT_DISPATCH);

    ComPtr<IStream> garbage;
    ASSERT_EQ(S_OK, CreateStreamOnHGlobal(nullptr, TRUE, &garbage));
    garbage->Write("not a control", 13, nullptr);
    garbage->Seek(start, STREAM_SEEK_SET, nullptr);
    EXPECT_TRUE(FAILED(load->Load(garbage.Get())));
}

TEST(SliderNotifications, ChangedPropertiesNotifyByDispatchId) {
    auto slider = CreateSlider();
    ComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(S_OK, slider.As(&container));
    ComPtr<IConnectionPoint> point;
    ASSERT_EQ(S_OK, container->FindConnectionPoint(IID_IPropertyNotifySink, &point));
    NotifySink sink;
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, point->Advise(&sink, &cookie));
    Put(slider.Get(), dispid::TipText, Var(L"x"));
    Put(slider.Get(), dispid::Color0 - 3, Var(5));
    Put(slider.Get(), dispid::RoundedValue, Var(4));
    Put(slider.Get(), dispid::Enabled, Var::Bool(true));
    Put(slider.Get(), dispid::Max, Var(10));        // never notifies
    Put(slider.Get(), dispid::Value, Var(5));       // never notifies
    Put(slider.Get(), dispid::SmallChange, Var(2)); // never notifies
    EXPECT_EQ(sink.changed, (std::vector<DISPID>{dispid::TipText, dispid::Color0 - 3, dispid::RoundedValue,
                                                 dispid::Enabled}));
    EXPECT_EQ(S_OK, point->Unadvise(cookie));
    EXPECT_EQ(CONNECT_E_NOCONNECTION, point->Unadvise(cookie));
    ComPtr<IConnectionPoint> none;
    EXPECT_EQ(CONNECT_E_NOCONNECTION, container->FindConnectionPoint(IID_IDispatch, &none));
    ComPtr<IEnumConnectionPoints> points;
    ASSERT_EQ(S_OK, container->EnumConnectionPoints(&points));
    IConnectionPoint* found[3] = {};
    ULONG fetched = 0;
    EXPECT_EQ(S_FALSE, points->Next(3, found, &fetched));
    ASSERT_EQ(fetched, 2u); // the events and the property notifications
    for (ULONG i = 0; i < fetched; ++i) {
        IID iid{};
        found[i]->GetConnectionInterface(&iid);
        EXPECT_TRUE(iid == IID_IPropertyNotifySink || iid == kEventsIid);
        found[i]->Release();
    }
    ASSERT_EQ(S_OK, points->Reset());
    EXPECT_EQ(S_OK, points->Skip(1));
    EXPECT_EQ(S_FALSE, points->Skip(0xFFFFFFFF)); // past the end, never round to the start
    EXPECT_EQ(S_FALSE, points->Next(1, found, &fetched));
    EXPECT_EQ(fetched, 0u);
}

TEST(SliderGradient, HostCallFillsExactlyFromLeftToWidth) {
    auto slider = CreateSlider();
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 60, -20, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    memset(bits, 0, 60 * 20 * 4);
    LONG left = 10, top = 0, width = 50, height = 20;
    Var hdc;
    hdc.v.vt = VT_I8;
    hdc.v.llVal = reinterpret_cast<LONG_PTR>(dc);
    auto byRef = [](LONG* p) {
        Var v;
        v.v.vt = VT_I4 | VT_BYREF;
        v.v.plVal = p;
        return v;
    };
    ASSERT_EQ(S_OK, Call(slider.Get(), dispid::GradientTwoColour,
                         {hdc, Var(0), Var(0x0000FF), Var(0x0000FF), byRef(&left), byRef(&top), byRef(&width),
                          byRef(&height)}));
    GdiFlush();
    auto* pixels = static_cast<unsigned*>(bits);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 60; ++x)
            ASSERT_EQ(pixels[y * 60 + x] & 0xFFFFFF, (x >= 10 && x < 50) ? 0xFF0000u : 0u) << x << "," << y;
    EXPECT_EQ(left, 10); // not changed
    EXPECT_EQ(width, 50);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

namespace {
// Drives the About window from a timer while About runs its modal loop.
struct AboutDriver {
    static inline std::vector<std::pair<bool, WPARAM>> keys; // (to the OK button?, key)
    static inline int step = 0;
    static inline bool sawWindow = false;
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        HWND about = FindWindowW(L"TavrelAbout", L"About");
        if (!about)
            return;
        sawWindow = true;
        RECT rect{};
        GetWindowRect(about, &rect);
        EXPECT_EQ(rect.right - rect.left, 364);
        EXPECT_EQ(rect.bottom - rect.top, 172);
        if (step < static_cast<int>(keys.size())) {
            HWND target = keys[step].first ? FindWindowExW(about, nullptr, L"BUTTON", L"OK") : about;
            PostMessageW(target, WM_KEYDOWN, keys[step].second, 0);
            ++step;
        }
    }
};
} // namespace

TEST(SliderAbout, ClosesOnEscOrEnterAndReturnsEmpty) {
    auto slider = CreateSlider();
    for (auto keys : {std::vector<std::pair<bool, WPARAM>>{{false, 'A'}, {false, VK_ESCAPE}},
                      std::vector<std::pair<bool, WPARAM>>{{true, VK_RETURN}},
                      std::vector<std::pair<bool, WPARAM>>{{false, VK_RETURN}}}) {
        AboutDriver::keys = keys;
        AboutDriver::step = 0;
        AboutDriver::sawWindow = false;
        UINT_PTR timer = SetTimer(nullptr, 0, 100, AboutDriver::Tick);
        Var result(7);
        const ULONGLONG started = GetTickCount64();
        EXPECT_EQ(S_OK, Call(slider.Get(), dispid::About, {}, &result));
        KillTimer(nullptr, timer);
        EXPECT_TRUE(AboutDriver::sawWindow);
        EXPECT_EQ(AboutDriver::step, static_cast<int>(keys.size())); // returned only after the closing key
        EXPECT_EQ(result.v.vt, VT_EMPTY);
        EXPECT_LT(GetTickCount64() - started, 10000u);
        EXPECT_EQ(FindWindowW(L"TavrelAbout", L"About"), nullptr);
    }
}
