#pragma once
// Desktop events pushed into SDL's queue, as a person's keys and typing
// reach the display.

#include <SDL.h>

#include <cstdio>

inline bool PushKeyEvent(Uint32 window_id, Uint32 type, SDL_Keycode key, Uint16 mod = KMOD_NONE) {
    SDL_Event event{};
    event.type = type;
    event.key.windowID = window_id;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = key;
    event.key.keysym.mod = mod;
    return SDL_PushEvent(&event) == 1;
}

inline bool PushTextEvent(Uint32 window_id, const char* utf8) {
    SDL_Event event{};
    event.type = SDL_TEXTINPUT;
    event.text.windowID = window_id;
    std::snprintf(event.text.text, sizeof event.text.text, "%s", utf8);
    return SDL_PushEvent(&event) == 1;
}
