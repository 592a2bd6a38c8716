#pragma once
// The media engine's state rules, apart from the platform: the three playback flags and
// their status text, the accommodations a faulty platform needs, and how a seek is carried
// out in a given graph state. No <windows.h>.
#include <string>

namespace klevotrim {

// IsPlaying / IsPaused / IsStopped of the engine. At most one is true; all start false.
struct PlaybackFlags {
    bool IsPlaying = false;
    bool IsPaused = false;
    bool IsStopped = false;

    void Played() { *this = PlaybackFlags{true, false, false}; }
    void Paused() { *this = PlaybackFlags{false, true, false}; }
    void Stopped() { *this = PlaybackFlags{false, false, true}; }

    // "Playing", "Paused", "Stopped" in that priority, or the empty text before any of them.
    std::wstring Status() const;
};

// The graph's state as the platform reports it.
enum class GraphState { Stopped, Paused, Running };

// How a position write is made.
enum class SeekMethod {
    Direct,         // set the position in whatever state the graph is in
    StopSeekResume, // stop, set the position, then return to the previous state
};

// Detours around faults of Wine's DirectShow. Windows needs none of them and is better off
// without: stopping around a seek interrupts playback, and the classic renderer is older and
// slower than the one the graph picks itself.
struct PlatformAccommodations {
    // Wine's graph deadlocks at the next Stop or release after a position change made while
    // running or paused when the graph renders both audio and video; seeking while stopped
    // is safe.
    bool StopAroundAudioVideoSeeks = false;
    // Wine's default video renderer stays blank once it is made a child of another window
    // (no GPU under a virtual display); the classic Video Renderer draws there.
    bool ClassicVideoRenderer = false;
};
PlatformAccommodations AccommodationsFor(bool runningUnderWine);

// Running or paused graphs with both audio and video are stopped around the seek where the
// platform asks for it; all others seek directly.
SeekMethod ChooseSeekMethod(GraphState state, bool hasVideo, bool hasAudio,
                            const PlatformAccommodations& platform);

// Where the video picture goes inside its owner: the owner's whole client area.
struct VideoPlacement {
    long Left;
    long Top;
    long Width;
    long Height;
};
VideoPlacement FitToClientArea(long left, long top, long right, long bottom);

} // namespace klevotrim
