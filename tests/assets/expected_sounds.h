// The sounds the game plays by name: the archive must hold each of them.
#pragma once

const char* const expectedSoundNames[] = {
    "cheeve6.ogg",        "clockbeep.ogg",        "clunk-hardcore.ogg",
    "endbreakshort3.ogg", "ethereal2.ogg",        "explosey3.ogg",
    "lazor.ogg",          "massincrease.ogg",     "powerupready.ogg",
    "stab6.ogg",          "subdrop.ogg",          "swish.ogg",
    "tick.ogg",           "trololo.ogg",          "woob.ogg",
    "zxdnb_drums.ogg",    "zxdnb_melody_loop.ogg"};
