#pragma once
// Entry-point slots of SDL, bound by the loader at run time.

#define SDL_MAIN_HANDLED
#include <SDL2/SDL.h>

#include "FFmpegApi.h"

namespace ff {

#define V2M_FUNCTION(name, need) inline decltype(&::name) name = nullptr;
#define V2M_VARIABLE(name, need) inline decltype(&::name) name = nullptr;
#include "entries/sdl.inc"
#undef V2M_FUNCTION
#undef V2M_VARIABLE

}  // namespace ff
