// The SDL 1.2 declarations the preview uses, and ownership of the surfaces it creates.
#pragma once

#include <SDL.h>

#include <memory>

struct TSurfaceDeleter {
    void operator()(SDL_Surface* Surface) const noexcept { SDL_FreeSurface(Surface); }
};

// A surface this program created and frees. The screen surface is not one: SDL owns it.
using TSurfacePtr = std::unique_ptr<SDL_Surface, TSurfaceDeleter>;
