// The prompt raised when the game server does not answer: the play loop's
// wait clocks raise it, a reply or the switch to offline mode releases it,
// and the pause overlay draws it.
#pragma once

extern bool connectionPrompt;  // the server-wait prompt is up
extern bool promptConnected;   // a reply arrived while the prompt was up
extern bool offlineWarning;    // the prompt shows the offline warning
extern float promptClock;      // ms, wraps from above 4000 back by 4000 while paused

// A request unanswered this long raises the prompt.
constexpr float serverWaitLimitMs = 10000.0f;

// A highscore, score or achievement reply has come: a prompt that is up
// offers to resume.
void noteServerReply();
