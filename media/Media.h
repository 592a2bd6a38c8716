#pragma once
// clsMedia: one open media file over the DirectShow filter graph manager. Plays, pauses,
// stops and seeks it, reports position, duration and video size, and places its picture in
// the owner window it is given. Used from one thread that has initialised COM.
#include <windows.h>

#include <ole2.h> // the automation types that control.h builds on

#include <control.h>
#include <wrl/client.h>

#include <cstdint>
#include <optional>
#include <string>

#include "media/MediaRules.h"

namespace klevotrim {

class clsMedia {
  public:
    clsMedia(); // applies the accommodations of the platform it runs on
    clsMedia(const clsMedia&) = delete;
    clsMedia& operator=(const clsMedia&) = delete;
    ~clsMedia() = default; // dropping the references destroys the graph and ends its playback

    // Current position in whole seconds, halves to the even neighbour. S_OK and 0 without a
    // graph; a platform failure (or a position beyond 32 bits) is returned and `seconds` is
    // left unchanged.
    HRESULT Pos(std::int32_t& seconds) const;
    // Current position in seconds with its fraction; nullopt without a graph or when the
    // platform cannot tell.
    std::optional<double> Position() const;
    // Seeks to `seconds`. Failures are ignored: the position simply stays.
    void SetPos(std::int32_t seconds);

    // L"Playing", L"Paused", L"Stopped" after the last successful Play / Pause / Stop_, or
    // L"" before any of them. Opening and closing files keep it.
    std::wstring Status() const;

    // Each is S_OK and a no-op without a graph; a platform failure is returned and the
    // status is left as it was.
    HRESULT Close_(); // stop, rewind, release the graph (the status stays)
    HRESULT Stop_();
    HRESULT Play();
    HRESULT Pause();

    // Fits the video picture to its owner's client area; failures are ignored.
    void AutoResize();

    // Builds a new graph for `path` and, for media with a picture, makes `container` the
    // owner of its video window. An empty path changes nothing. Failures are swallowed: the
    // graph then stays as far as it was built, and the status never changes.
    void FileName(const std::wstring& path, HWND container);

    // Whether the last FileName built a graph that renders the file (all or part of it).
    bool Rendered() const { return rendered_; }

    // Duration in seconds; no value without a graph or when the platform cannot tell.
    std::optional<double> Max() const;

    // Native picture size; 0 without a graph or for media without a picture.
    std::int32_t VideoWidth() const;
    std::int32_t VideoHeight() const;
    bool IzVideo() const;

    // Audio volume in the platform's units (-10000 silent .. 0 full). S_OK without a graph.
    HRESULT Volume(std::int32_t value);

  private:
    void ReleaseGraph();
    bool HasAudio() const;

    // The six references always belong to one graph.
    Microsoft::WRL::ComPtr<IMediaControl> mediaControl_;
    Microsoft::WRL::ComPtr<IMediaPosition> mediaPosition_;
    Microsoft::WRL::ComPtr<IMediaEvent> mediaEvent_; // held with the others; nothing reads it
    Microsoft::WRL::ComPtr<IBasicVideo> videoSize_;
    Microsoft::WRL::ComPtr<IVideoWindow> videoWindow_;
    Microsoft::WRL::ComPtr<IBasicAudio> audio_;
    RECT OwnerRect{}; // last client rectangle of the video window's owner
    PlaybackFlags flags_;
    PlatformAccommodations platform_;
    bool rendered_ = false;
};

} // namespace klevotrim
