#include "media/Media.h"

#include "common/Rounding.h"

#include <dshow.h>

#ifdef __MINGW32__
// mingw-w64's control.h gives __uuidof only to IMediaControl.
__CRT_UUID_DECL(IMediaPosition, 0x56a868b2, 0x0ad4, 0x11ce, 0xb0, 0x3a, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70)
__CRT_UUID_DECL(IMediaEvent, 0x56a868b6, 0x0ad4, 0x11ce, 0xb0, 0x3a, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70)
__CRT_UUID_DECL(IBasicAudio, 0x56a868b3, 0x0ad4, 0x11ce, 0xb0, 0x3a, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70)
__CRT_UUID_DECL(IVideoWindow, 0x56a868b4, 0x0ad4, 0x11ce, 0xb0, 0x3a, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70)
__CRT_UUID_DECL(IBasicVideo, 0x56a868b5, 0x0ad4, 0x11ce, 0xb0, 0x3a, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70)
#endif

using Microsoft::WRL::ComPtr;

namespace klevotrim {

namespace {

// The video window's style while it lives inside its owner.
constexpr long kOwnedVideoStyle = WS_CLIPCHILDREN | WS_CLIPSIBLINGS; // 0x06000000

// Wine's ntdll exports its version; Windows' does not. Asked once: it cannot change.
bool RunningUnderWine() {
    static const bool underWine = [] {
        const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }();
    return underWine;
}

// Puts the classic Video Renderer into the graph before it is built, so that RenderFile
// connects the picture to it rather than to the renderer it would choose itself.
// No renderer (not registered, or refused) is not an error: RenderFile picks its own.
ComPtr<IBaseFilter> AddClassicVideoRenderer(IGraphBuilder* graph) {
    ComPtr<IBaseFilter> renderer;
    if (FAILED(CoCreateInstance(CLSID_VideoRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&renderer))))
        return nullptr;
    if (FAILED(graph->AddFilter(renderer.Get(), L"Video Renderer")))
        return nullptr;
    return renderer;
}

bool HasConnectedPin(IBaseFilter* filter) {
    ComPtr<IEnumPins> pins;
    if (FAILED(filter->EnumPins(&pins)))
        return false;
    ComPtr<IPin> pin;
    while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
        ComPtr<IPin> peer;
        if (SUCCEEDED(pin->ConnectedTo(&peer)) && peer)
            return true;
    }
    return false;
}

std::optional<GraphState> CurrentGraphState(IMediaControl* control) {
    OAFilterState state = State_Stopped;
    // A zero wait gives the state being entered when a transition is still under way.
    if (FAILED(control->GetState(0, &state)))
        return std::nullopt;
    switch (state) {
    case State_Running:
        return GraphState::Running;
    case State_Paused:
        return GraphState::Paused;
    default:
        return GraphState::Stopped;
    }
}

} // namespace

clsMedia::clsMedia() : platform_(AccommodationsFor(RunningUnderWine())) {}

HRESULT clsMedia::Pos(std::int32_t& seconds) const {
    if (!mediaPosition_) {
        seconds = 0;
        return S_OK;
    }
    REFTIME position = 0;
    const HRESULT hr = mediaPosition_->get_CurrentPosition(&position);
    if (FAILED(hr))
        return hr;
    const auto whole = ToInt32(position);
    if (!whole)
        return DISP_E_OVERFLOW;
    seconds = *whole;
    return S_OK;
}

std::optional<double> clsMedia::Position() const {
    REFTIME position = 0;
    if (!mediaPosition_ || FAILED(mediaPosition_->get_CurrentPosition(&position)))
        return std::nullopt;
    return position;
}

void clsMedia::SetPos(std::int32_t seconds) {
    if (!mediaPosition_ || !mediaControl_)
        return;
    const REFTIME target = seconds;
    const auto state = CurrentGraphState(mediaControl_.Get());
    if (!state || ChooseSeekMethod(*state, IzVideo(), HasAudio(), platform_) == SeekMethod::Direct) {
        // A refused seek leaves the position where it was; the caller does not care.
        (void)mediaPosition_->put_CurrentPosition(target);
        return;
    }
    // Seeking while stopped is safe where a running or paused seek hangs the graph; the graph
    // then returns to where it was.
    if (FAILED(mediaControl_->Stop()))
        return; // seeking now is the risky case: leave the position as it is
    (void)mediaPosition_->put_CurrentPosition(target); // ignored, as above
    // Ignored: the flags follow only the caller's own commands, and a refusal here leaves
    // the graph stopped at the new position, which the next Play or Pause resumes.
    (void)(*state == GraphState::Running ? mediaControl_->Run() : mediaControl_->Pause());
}

std::wstring clsMedia::Status() const {
    return flags_.Status();
}

HRESULT clsMedia::Close_() {
    if (!mediaControl_)
        return S_OK;
    const HRESULT stopped = mediaControl_->Stop();
    if (FAILED(stopped))
        return stopped;
    const HRESULT rewound = mediaPosition_ ? mediaPosition_->put_CurrentPosition(0) : S_OK;
    // The graph goes even when it cannot rewind: it is stopped and about to be destroyed, and
    // keeping it would leave the file open behind a failed close.
    ReleaseGraph();
    return FAILED(rewound) ? rewound : S_OK;
}

HRESULT clsMedia::Stop_() {
    if (!mediaControl_)
        return S_OK;
    const HRESULT hr = mediaControl_->Stop();
    if (FAILED(hr))
        return hr;
    flags_.Stopped();
    return S_OK;
}

HRESULT clsMedia::Play() {
    if (!mediaControl_)
        return S_OK;
    const HRESULT hr = mediaControl_->Run();
    if (FAILED(hr))
        return hr;
    flags_.Played();
    return S_OK;
}

HRESULT clsMedia::Pause() {
    if (!mediaControl_)
        return S_OK;
    const HRESULT hr = mediaControl_->Pause();
    if (FAILED(hr))
        return hr;
    flags_.Paused();
    return S_OK;
}

void clsMedia::AutoResize() {
    if (!videoWindow_)
        return;
    // Every step is tried on its own and failures are ignored: a graph without a picture
    // refuses them all, and a stale owner rectangle is still the best size known.
    OAHWND owner = 0;
    if (SUCCEEDED(videoWindow_->get_Owner(&owner)))
        (void)GetClientRect(reinterpret_cast<HWND>(owner), &OwnerRect);
    const VideoPlacement place =
        FitToClientArea(OwnerRect.left, OwnerRect.top, OwnerRect.right, OwnerRect.bottom);
    (void)videoWindow_->put_Top(place.Top);
    (void)videoWindow_->put_Left(place.Left);
    (void)videoWindow_->put_Width(place.Width);
    (void)videoWindow_->put_Height(place.Height);
    // Wine's put_Left/put_Top mix screen and owner coordinates for an owned video window, so
    // the picture ends up offset; one call with the whole rectangle places it right.
    (void)videoWindow_->SetWindowPosition(place.Left, place.Top, place.Width, place.Height);
}

void clsMedia::FileName(const std::wstring& path, HWND container) {
    if (path.empty())
        return;
    // Failures from here on end the operation silently; whatever was obtained stays.
    ComPtr<IGraphBuilder> graph;
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph))))
        return;
    ComPtr<IMediaControl> control;
    if (FAILED(graph.As(&control)))
        return;
    // All six references are replaced together, so they never mix two graphs.
    ReleaseGraph();
    mediaControl_ = control;
    if (FAILED(mediaControl_.As(&mediaPosition_)) || FAILED(mediaControl_.As(&mediaEvent_)) ||
        FAILED(mediaControl_.As(&videoSize_)) || FAILED(mediaControl_.As(&audio_)) ||
        FAILED(mediaControl_.As(&videoWindow_)))
        return;

    const ComPtr<IBaseFilter> renderer =
        platform_.ClassicVideoRenderer ? AddClassicVideoRenderer(graph.Get()) : nullptr;
    const HRESULT rendered = graph->RenderFile(path.c_str(), nullptr);
    // Media without a picture leave the renderer unconnected; it must not stay behind to
    // answer for the picture.
    if (renderer && !HasConnectedPin(renderer.Get()))
        (void)graph->RemoveFilter(renderer.Get()); // a leftover renderer only reports no picture
    if (FAILED(rendered))
        return;
    rendered_ = true;

    if (!IzVideo())
        return; // audio only: the container is not touched
    if (FAILED(videoWindow_->put_WindowStyle(kOwnedVideoStyle)))
        return;
    (void)videoWindow_->put_Owner(reinterpret_cast<OAHWND>(container)); // last step: nothing follows it
}

std::optional<double> clsMedia::Max() const {
    if (!mediaPosition_)
        return std::nullopt;
    REFTIME duration = 0;
    if (FAILED(mediaPosition_->get_Duration(&duration)))
        return std::nullopt;
    return duration;
}

std::int32_t clsMedia::VideoWidth() const {
    long width = 0;
    if (!videoSize_ || FAILED(videoSize_->get_VideoWidth(&width)))
        return 0;
    return width;
}

std::int32_t clsMedia::VideoHeight() const {
    long height = 0;
    if (!videoSize_ || FAILED(videoSize_->get_VideoHeight(&height)))
        return 0;
    return height;
}

bool clsMedia::IzVideo() const {
    return VideoWidth() > 0 && VideoHeight() > 0;
}

HRESULT clsMedia::Volume(std::int32_t value) {
    if (!mediaControl_)
        return S_OK;
    if (!audio_)
        return E_POINTER;
    return audio_->put_Volume(value);
}

void clsMedia::ReleaseGraph() {
    mediaControl_.Reset();
    mediaPosition_.Reset();
    mediaEvent_.Reset();
    videoSize_.Reset();
    videoWindow_.Reset();
    audio_.Reset();
    rendered_ = false;
}

bool clsMedia::HasAudio() const {
    long volume = 0;
    // The graph answers for volume only when it holds an audio renderer.
    return audio_ && SUCCEEDED(audio_->get_Volume(&volume));
}

} // namespace klevotrim
