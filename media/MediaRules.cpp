#include "media/MediaRules.h"

namespace klevotrim {

std::wstring PlaybackFlags::Status() const {
    if (IsPlaying)
        return L"Playing";
    if (IsPaused)
        return L"Paused";
    if (IsStopped)
        return L"Stopped";
    return L"";
}

PlatformAccommodations AccommodationsFor(bool runningUnderWine) {
    return PlatformAccommodations{runningUnderWine, runningUnderWine};
}

SeekMethod ChooseSeekMethod(GraphState state, bool hasVideo, bool hasAudio,
                            const PlatformAccommodations& platform) {
    if (!platform.StopAroundAudioVideoSeeks || state == GraphState::Stopped || !hasVideo || !hasAudio)
        return SeekMethod::Direct;
    return SeekMethod::StopSeekResume;
}

VideoPlacement FitToClientArea(long left, long top, long right, long bottom) {
    return VideoPlacement{0, 0, right - left, bottom - top};
}

} // namespace klevotrim
