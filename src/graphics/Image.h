#pragma once
#include <SDL/SDL.h>

#include <string>

// Owner of one image surface in the screen's format. The destructor does not free the
// surface: its owner calls Free (the surfaces belong to the screen mode of the moment).
class CImage
{
public:
    CImage() = default;
    virtual ~CImage() = default;
    CImage(const CImage&) = delete;
    CImage& operator=(const CImage&) = delete;

    // Loads "data/..." from the program's folder; magenta is transparent when colorKey is set.
    // On failure logs "Could not load : <path>" and leaves the image empty.
    void Load(const std::string& relativePath, bool colorKey);
    void SetAlpha(uint8_t alpha);
    void Free();
    SDL_Surface* GetSurface() const { return Surface; }
    // Takes ownership of surface; the one held before is freed (unless it is the same).
    void Attach(SDL_Surface* surface);
    int GetWidth() const { return Surface ? Surface->w : 0; }
    int GetHeight() const { return Surface ? Surface->h : 0; }

private:
    SDL_Surface* Surface = nullptr;
};
