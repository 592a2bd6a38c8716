#include "media/MediaRules.h"

#include <gtest/gtest.h>

using namespace klevotrim;

TEST(PlaybackFlags, StartWithNoStatus) {
    PlaybackFlags flags;
    EXPECT_FALSE(flags.IsPlaying || flags.IsPaused || flags.IsStopped);
    EXPECT_EQ(flags.Status(), L"");
}

TEST(PlaybackFlags, EachCommandLeavesExactlyItsOwnFlag) {
    PlaybackFlags flags;
    flags.Played();
    EXPECT_TRUE(flags.IsPlaying);
    EXPECT_FALSE(flags.IsPaused || flags.IsStopped);
    EXPECT_EQ(flags.Status(), L"Playing");

    flags.Paused();
    EXPECT_TRUE(flags.IsPaused);
    EXPECT_FALSE(flags.IsPlaying || flags.IsStopped);
    EXPECT_EQ(flags.Status(), L"Paused");

    flags.Stopped();
    EXPECT_TRUE(flags.IsStopped);
    EXPECT_FALSE(flags.IsPlaying || flags.IsPaused);
    EXPECT_EQ(flags.Status(), L"Stopped");

    flags.Played();
    EXPECT_EQ(flags.Status(), L"Playing");
}

TEST(PlaybackFlags, StatusPrefersPlayingThenPausedThenStopped) {
    EXPECT_EQ((PlaybackFlags{true, true, true}).Status(), L"Playing");
    EXPECT_EQ((PlaybackFlags{false, true, true}).Status(), L"Paused");
    EXPECT_EQ((PlaybackFlags{false, false, true}).Status(), L"Stopped");
}

TEST(PlatformAccommodations, OnlyWineGetsTheDetours) {
    const PlatformAccommodations wine = AccommodationsFor(true);
    EXPECT_TRUE(wine.StopAroundAudioVideoSeeks);
    EXPECT_TRUE(wine.ClassicVideoRenderer);
    const PlatformAccommodations windows = AccommodationsFor(false);
    EXPECT_FALSE(windows.StopAroundAudioVideoSeeks);
    EXPECT_FALSE(windows.ClassicVideoRenderer);
}

TEST(SeekMethod, OnlyRunningOrPausedAudioVideoGraphsAreStoppedAroundTheSeekUnderWine) {
    const PlatformAccommodations wine = AccommodationsFor(true);
    for (GraphState state : {GraphState::Running, GraphState::Paused})
        EXPECT_EQ(ChooseSeekMethod(state, true, true, wine), SeekMethod::StopSeekResume);
    for (GraphState state : {GraphState::Stopped, GraphState::Paused, GraphState::Running}) {
        EXPECT_EQ(ChooseSeekMethod(state, false, true, wine), SeekMethod::Direct) << "audio only";
        EXPECT_EQ(ChooseSeekMethod(state, true, false, wine), SeekMethod::Direct) << "video only";
        EXPECT_EQ(ChooseSeekMethod(state, false, false, wine), SeekMethod::Direct) << "nothing rendered";
    }
    EXPECT_EQ(ChooseSeekMethod(GraphState::Stopped, true, true, wine), SeekMethod::Direct);
}

TEST(SeekMethod, WindowsSeeksDirectlyInEveryState) {
    const PlatformAccommodations windows = AccommodationsFor(false);
    for (GraphState state : {GraphState::Stopped, GraphState::Paused, GraphState::Running})
        EXPECT_EQ(ChooseSeekMethod(state, true, true, windows), SeekMethod::Direct);
}

TEST(VideoPlacement, FillsTheOwnersClientAreaFromItsCorner) {
    const VideoPlacement place = FitToClientArea(0, 0, 640, 480);
    EXPECT_EQ(place.Left, 0);
    EXPECT_EQ(place.Top, 0);
    EXPECT_EQ(place.Width, 640);
    EXPECT_EQ(place.Height, 480);

    const VideoPlacement offset = FitToClientArea(10, 20, 110, 70);
    EXPECT_EQ(offset.Left, 0);
    EXPECT_EQ(offset.Top, 0);
    EXPECT_EQ(offset.Width, 100);
    EXPECT_EQ(offset.Height, 50);

    const VideoPlacement empty = FitToClientArea(0, 0, 0, 0);
    EXPECT_EQ(empty.Width, 0);
    EXPECT_EQ(empty.Height, 0);
}
