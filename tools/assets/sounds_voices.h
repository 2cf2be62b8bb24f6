// Instrument voices: one call renders one note or one drum hit as a mono signal
// starting at its onset. Velocities run from 0 (silent) to 1 (full).
#pragma once

#include "tools/assets/sounds_synth.h"

// Drum kit shared by the music loop and the level-complete break.
Signal kickDrum(float velocity);
Signal snareDrum(float velocity, Rng& rng);
Signal hiHat(float velocity, float decaySeconds, Rng& rng);
Signal shaker(float velocity, Rng& rng);
Signal rideCymbal(float velocity, Rng& rng);
Signal crashCymbal(float velocity, Rng& rng);
Signal tomDrum(float frequency, float velocity);

// One hit of the kit by its pattern letter: K kick, S snare, H closed hat, O open hat,
// Z shaker, R ride, C crash, T high tom, M mid tom, L low tom. Empty for other letters.
Signal drumHit(char kind, float velocity, Rng& rng);
// Velocity of one step of a pattern line: '.' is a rest, '1' .. '9' run up to full.
float stepVelocity(char step);

// Pitched voices; seconds is how long the note is held before its release.
Signal electricPiano(float frequency, float seconds, float velocity);
Signal bell(float frequency, float seconds, float velocity);
Signal pluckLead(float frequency, float seconds, float velocity, float brightness);
Signal supersaw(float frequency, float seconds, float attack, float release, Rng& rng);
Signal subBass(float frequency, float seconds);
Signal bassMid(float frequency, float seconds);
