#include "graphics/Graphics.h"

#include "graphics/OwnedSurface.h"
#include "graphics/WindowScale.h"
#include "platform/Log.h"
#include "platform/Settings.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <string>

namespace
{
const char* const Caption = "Korvane Zaduza";
} // namespace

bool CGraphics::Init()
{
    // Without a display SDL would fall back to a driver that shows nothing.
    const char* drivers[] = {std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"),
                             std::getenv("SDL_VIDEODRIVER")};
    if (std::none_of(std::begin(drivers), std::end(drivers),
                     [](const char* value) { return value && *value; }))
    {
        Log("No display: start Korvane Zaduza from a desktop session (DISPLAY or "
            "WAYLAND_DISPLAY is not set)\n");
        return false;
    }
    // The game draws into a software surface; presenting it through OpenGL would only add a
    // GL stack (about 90 MB resident with Mesa's software rasteriser) for an 800 × 600 copy.
    // Players and packagers can still ask for OpenGL scaling through the environment.
    setenv("SDL12COMPAT_OPENGL_SCALING", "0", 0);
    setenv("SDL_RENDER_DRIVER", "software", 0);
    setenv("SDL_FRAMEBUFFER_ACCELERATION", "software", 0);
    if (SDL_Init(SDL_INIT_VIDEO) == -1)
    {
        Log("Could not initialize SDL: %s.\n", SDL_GetError());
        return false;
    }
    static char centred[] = "SDL_VIDEO_CENTERED=1";
    SDL_putenv(centred);
    // Lists and menus repeat a held key on the frame loop's time (CKeyRepeat); SDL's own
    // repeat would keep going after a quick tap.
    SDL_EnableKeyRepeat(0, 0);
    // Before any mode is set, the video information is the desktop's.
    const SDL_VideoInfo* desktop = SDL_GetVideoInfo();
    char driver[32] = "";
    SDL_VideoDriverName(driver, sizeof driver);
    Desktop.Open(desktop ? desktop->current_w : Width, desktop ? desktop->current_h : Height,
                 driver);
    const WindowScale::SArea usable = Desktop.Usable();
    Wanted = WindowScale::Load(usable.Width, usable.Height);
    return SetVideoMode();
}

bool CGraphics::ApplyVideoMode()
{
    // The display surface belongs to SDL; setting a new mode replaces it.
    return SetVideoMode();
}

bool CGraphics::SetVideoMode()
{
    const bool fullScreen = Settings::FullScreen();
    const WindowScale::SArea usable = Desktop.Usable();
    // The frame is known once the window is shown: a scale that fits without it may not with it.
    for (const bool framed : {false, true})
    {
        const float scale = WindowScale::Fitting(Wanted, usable, Desktop.Frame());
        if (framed && (fullScreen || scale == Scale))
            break;
        Scale = scale;
        // Read by SDL's compatibility layer each time a mode is set.
        setenv("SDL12COMPAT_WINDOW_SCALING", std::to_string(Scale).c_str(), 1);
        Screen = SDL_SetVideoMode(Width, Height, 0, fullScreen ? SDL_FULLSCREEN : 0);
        if (!Screen)
        {
            Log("Could not initialize SDL: %s.\n", SDL_GetError());
            return false;
        }
    }
    if (fullScreen)
        return true;
    SDL_WM_SetCaption(Caption, Caption);
    if (Scale != Wanted)
        Log("The window is drawn at %g times, the largest that fits the desktop's %dx%d; "
            "WindowScale=%g is kept for a larger one\n",
            double(Scale), usable.Width, usable.Height, double(Wanted));
    Desktop.KeepOnScreen(int(Width * Scale), int(Height * Scale));
    return true;
}

bool CGraphics::ToggleFullScreen()
{
    SDL_Surface* screen = SDL_GetVideoSurface();
    if (screen && (screen->flags & SDL_FULLSCREEN))
    {
        // Back in a window at the stored scale (a game started in full screen had none), with
        // its caption, on the desktop: the mode set anew, whose surface and format stay.
        Settings::SetFullScreen(false);
        if (SetVideoMode())
            return true;
        // No window to be had: the player stays in the full screen that worked.
        Settings::SetFullScreen(true);
        SetVideoMode();
        return false;
    }
    if (!screen || !SDL_WM_ToggleFullScreen(screen))
    {
        Log("Could not switch between window and full screen: %s\n", SDL_GetError());
        return false;
    }
    Settings::SetFullScreen(true);
    return true;
}

void CGraphics::ScaleWindow(int direction)
{
    // Full screen fills the screen: the keys change nothing, now or later.
    if (!Screen || IsFullScreen())
        return;
    const float next = WindowScale::Next(Scale, direction);
    const WindowScale::SArea usable = Desktop.Usable();
    if (direction > 0 && next != Scale && !WindowScale::Fits(next, usable, Desktop.Frame()))
        Log("The window stays at %g times: %g would not fit the desktop's %dx%d\n", double(Scale),
            double(next), usable.Width, usable.Height);
    else if (next != Scale)
    {
        Wanted = next;
        WindowScale::Store(Wanted);
        SetVideoMode();
        return;
    }
    // Whatever the size, the keys leave the whole window in sight.
    Desktop.KeepOnScreen(int(Width * Scale), int(Height * Scale));
}

char32_t CGraphics::TypedCharacter(const SDL_keysym& key) const
{
    if (key.unicode < 0x800)
        return key.unicode;
    const char32_t typed = Desktop.KeyCharacter(key.scancode, key.mod & KMOD_SHIFT,
                                                key.mod & KMOD_CAPS, key.mod & KMOD_MODE);
    return typed >= 0x20 ? typed : key.unicode;
}

void CGraphics::Shutdown()
{
    Screen = nullptr;
    Desktop.Close();
    SDL_Quit();
}

int CGraphics::Draw(SDL_Surface* source, int16_t x, int16_t y)
{
    return DrawOnto(Screen, source, x, y);
}

int CGraphics::DrawPart(SDL_Surface* source, int16_t x, int16_t y, const SDL_Rect& part)
{
    if (!source || !Screen)
        return -1;
    SDL_Rect from = part;
    SDL_Rect to{x, y, part.w, part.h};
    return SDL_UpperBlit(source, &from, Screen, &to);
}

int CGraphics::DrawOnto(SDL_Surface* destination, SDL_Surface* source, int16_t x, int16_t y)
{
    if (!source || !destination)
        return -1;
    SDL_Rect to{x, y, static_cast<Uint16>(source->w), static_cast<Uint16>(source->h)};
    return SDL_UpperBlit(source, nullptr, destination, &to);
}

SDL_Surface* CGraphics::NewBlackScreen()
{
    const COwnedSurface raw(
        SDL_CreateRGBSurface(0, Width, Height, 32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000));
    if (!raw)
        return nullptr;
    SDL_Rect all{0, 0, Width, Height};
    SDL_FillRect(raw.get(), &all, SDL_MapRGB(raw->format, 0, 0, 0));
    SDL_Surface* black = SDL_DisplayFormat(raw.get());
    // The conversion keeps the alpha flag of the RGBA original, which would send every
    // full-screen blit down the blending path (about 4 ms) for an opaque copy.
    if (black)
        SDL_SetAlpha(black, 0, SDL_ALPHA_OPAQUE);
    return black;
}

void CGraphics::Flip()
{
    if (Screen)
        SDL_UpdateRect(Screen, 0, 0, 0, 0);
}
