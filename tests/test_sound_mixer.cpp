// The music mixer's rules, run frame by frame on plain state: the mass hum,
// the Timewarp pad, the melody and drums volumes and their pitches.
#include <gtest/gtest.h>

#include "base/game_state.h"
#include "game/modes.h"
#include "screens/music_mixer.h"

namespace {

class MusicMixerTest : public ::testing::Test {
  protected:
    MixerVoices voices{{0, 1}, {0, 1}, {0, 1}, {0, 1}};
    float startTimer = musicStartWaitMs;
    MixerInput in{};

    void SetUp() override {
        in.state = Game;
        in.mode = ModeNormal;
        in.playHasStarted = true;
        in.fadeFraction = 1.0f;
        in.musicVol = 10;
        in.soundVol = 10;
    }
    // Runs `frames` frames of `dtMs` each.
    void run(int frames, float dtMs) {
        for (int i = 0; i < frames; i++) mixMusic(voices, startTimer, in, dtMs);
    }
};

TEST(MassHum, SilentUpTo75PercentAndFullAtTheLimit) {
    EXPECT_FLOAT_EQ(massHumVolume(75.0f, 10), 0.0f);
    EXPECT_FLOAT_EQ(massHumVolume(75.9f, 10), 0.03f) << "whole steps of the range, truncated";
    EXPECT_FLOAT_EQ(massHumVolume(87.5f, 10), 0.5f);
    EXPECT_FLOAT_EQ(massHumVolume(100.0f, 10), 1.0f);
    EXPECT_FLOAT_EQ(massHumVolume(130.0f, 10), 1.0f) << "capped past the limit";
    EXPECT_FLOAT_EQ(massHumVolume(100.0f, 6), 0.6f);
    EXPECT_FLOAT_EQ(massHumVolume(100.0f, 0), 0.0f);
}

TEST_F(MusicMixerTest, MassHumPlaysOnlyInTheGame) {
    in.massFill = 100.0f;
    run(1, 16);
    EXPECT_FLOAT_EQ(voices.massHum.volume, 1.0f);
    in.state = GameToScoreScreen;
    run(1, 16);
    EXPECT_FLOAT_EQ(voices.massHum.volume, 0.0f);
}

TEST_F(MusicMixerTest, MelodyClimbsOnTheMenuInThirteenAndAHalfSeconds) {
    in.state = Menu;
    run(1349, 10);
    EXPECT_LT(voices.melody.volume, 0.45f);
    run(2, 10);
    EXPECT_FLOAT_EQ(voices.melody.volume, 0.45f);
    EXPECT_FLOAT_EQ(voices.drums.volume, 0.0f) << "the menu plays the melody alone";
}

TEST_F(MusicMixerTest, BeforePlayStartsMelodyFallsAndDrumsAreSilent) {
    voices.melody.volume = 0.4f;
    voices.drums.volume = 0.4f;
    in.playHasStarted = false;
    run(40, 10);
    EXPECT_NEAR(voices.melody.volume, 0.2f, 1e-5);
    EXPECT_FLOAT_EQ(voices.drums.volume, 0.0f);
    run(100, 10);
    EXPECT_FLOAT_EQ(voices.melody.volume, 0.0f) << "held at 0";
}

TEST_F(MusicMixerTest, PausingDropsMelodyAndDrumsToAQuarterCeilingAtOnce) {
    voices.melody.volume = voices.drums.volume = 0.45f;
    in.paused = true;
    run(1, 16);
    EXPECT_FLOAT_EQ(voices.melody.volume, 0.1125f);
    EXPECT_FLOAT_EQ(voices.drums.volume, 0.1125f);
}

TEST_F(MusicMixerTest, MusicVolZeroKeepsTheMusicSilentAndSoundVolZeroTheEffects) {
    in.musicVol = 0;
    in.soundVol = 0;
    in.timewarpActive = true;
    in.massFill = 100;
    run(500, 10);
    EXPECT_FLOAT_EQ(voices.melody.volume, 0.0f);
    EXPECT_FLOAT_EQ(voices.drums.volume, 0.0f);
    EXPECT_FLOAT_EQ(voices.massHum.volume, 0.0f);
    EXPECT_FLOAT_EQ(voices.timewarpPad.volume, 0.0f);
}

TEST_F(MusicMixerTest, TimewarpLowersThePitchIn800MsAndItRecoversIn200) {
    in.timewarpActive = true;
    run(79, 10);
    EXPECT_GT(voices.melody.pitch, slowPitch + 1e-4);
    run(1, 10);
    EXPECT_NEAR(voices.melody.pitch, slowPitch, 1e-5);
    EXPECT_NEAR(voices.drums.pitch, slowPitch, 1e-5);
    run(10, 10);
    EXPECT_FLOAT_EQ(voices.melody.pitch, slowPitch) << "no lower than 0.6";
    in.timewarpActive = false;
    run(19, 10);
    EXPECT_LT(voices.melody.pitch, normalPitch - 1e-4);
    run(1, 10);
    EXPECT_NEAR(voices.melody.pitch, normalPitch, 1e-5);
    run(5, 10);
    EXPECT_FLOAT_EQ(voices.drums.pitch, normalPitch) << "no higher than 1.0";
}

TEST_F(MusicMixerTest, MeditationHoldsThePitchInAndAroundTheGame) {
    in.mode = ModeMeditation;
    for (int32_t state :
         {Game, GameToScoreScreen, ScoreScreen, ScoreScreenToGame, ScoreScreenToMenu, GameToMenu}) {
        in.state = state;
        voices.melody.pitch = voices.drums.pitch = 1.0f;
        run(1, 10);
        EXPECT_FLOAT_EQ(voices.melody.pitch, slowPitch) << state;
        EXPECT_FLOAT_EQ(voices.drums.pitch, slowPitch) << state;
    }
    in.state = Options;
    in.optionsFromGame = true;
    run(1, 10);
    EXPECT_FLOAT_EQ(voices.melody.pitch, slowPitch) << "options opened from the game";
    in.optionsFromGame = false;
    run(1, 10);
    EXPECT_GT(voices.melody.pitch, slowPitch) << "options opened from the menu recover";
}

TEST_F(MusicMixerTest, MelodyFadesWithThePictureOnExitAndRestart) {
    for (int32_t state : {Exiting, OptionsToRestart}) {
        in.state = state;
        voices.melody.volume = 0.45f;
        in.fadeFraction = 0.8f;
        run(1, 10);
        EXPECT_FLOAT_EQ(voices.melody.volume, 0.45f) << "the picture is still brighter";
        in.fadeFraction = 0.2f;
        run(1, 10);
        EXPECT_FLOAT_EQ(voices.melody.volume, 0.2f) << state;
        in.fadeFraction = -0.1f;
        run(1, 10);
        EXPECT_FLOAT_EQ(voices.melody.volume, 0.0f) << state;
    }
}

}  // namespace
