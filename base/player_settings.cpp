#include "base/player_settings.h"

int32_t ScreenWidth = 0;
int32_t ScreenHeight = 0;
int32_t AAlevel = 16;
int32_t VSync = 1;
int32_t VisualQuality = 3;
bool settingsSavingOff = false;
bool settingsFileFound = false;
int32_t MotionBlur = 1;
int32_t controls = 0;
int32_t Fullscreen = 1;
int32_t Buffer = 0;
float MusicVol = 10.0f;
float SoundVol = 10.0f;
float MasterVol = 10.0f;
int32_t Muted = 0;
int32_t TuteControl = 0;
int32_t TutePup = 0;
int32_t TuteCombo = 0;
int32_t TuteComboNow = 0;
int32_t TuteColor = 0;
int32_t TuteZent = 0;
int32_t TuteRush = 0;
int32_t TuteSurvival = 0;
int32_t TuteMeditation = 0;
int32_t Colorblind = 0;
std::string Username;
std::string storedPasswordBlob;
std::string loginPassword;
std::vector<std::pair<float, float>> displayModes;

int32_t findDisplayMode(float width, float height) {
    for (size_t i = 0; i < displayModes.size(); i++)
        if (displayModes[i].first == width && displayModes[i].second == height)
            return static_cast<int32_t>(i);
    return -1;
}

int32_t anisotropyWanted = 0;
int32_t resolutionIndex = -1;

int32_t* const tutorialFlags[tutorialFlagCount] = {&TuteControl,  &TutePup,      &TuteCombo,
                                                   &TuteComboNow, &TuteColor,    &TuteZent,
                                                   &TuteRush,     &TuteSurvival, &TuteMeditation};

void clearTutorialFlags() {
    for (int32_t* flag : tutorialFlags) *flag = 0;
}
