// Times what a player sees: presses keys through XTest (a player's keyboard) and watches a
// rectangle of a window's pixels for the change the key makes, polling every 2 ms.
//   region-watch sum WINDOW X Y W H               the rectangle's checksum now
//   region-watch taps WINDOW X Y W H KEY N GAP_MS N taps of KEY, GAP_MS apart: for each, the
//                                                 milliseconds until the rectangle changed
//   region-watch until WINDOW X Y W H KEY SUM MS  one tap of KEY: the milliseconds until the
//                                                 rectangle first changed, then until it shows SUM
// A change that does not come within 5 s (or MS) prints -1; the exit code is 0 unless the
// display or the window cannot be used.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace
{
using Clock = std::chrono::steady_clock;

struct SRegion
{
    Display* X = nullptr;
    Window Target = 0;
    int Left = 0, Top = 0;
    unsigned Width = 0, Height = 0;
};

uint64_t Checksum(const SRegion& r)
{
    XImage* image = XGetImage(r.X, r.Target, r.Left, r.Top, r.Width, r.Height, AllPlanes, ZPixmap);
    if (!image)
        return 0;
    uint64_t hash = 14695981039346656037ull;
    const int bytes = int(r.Width) * image->bits_per_pixel / 8;
    for (unsigned y = 0; y < r.Height; ++y)
        for (int i = 0; i < bytes; ++i)
            hash =
                (hash ^ uint8_t(image->data[y * unsigned(image->bytes_per_line) + unsigned(i)])) *
                1099511628211ull;
    XDestroyImage(image);
    return hash;
}

// A tap as a quick typist makes it: down, 15 ms, up.
void Tap(Display* x, const char* key)
{
    const KeyCode code = XKeysymToKeycode(x, XStringToKeysym(key));
    XTestFakeKeyEvent(x, code, True, 0);
    XFlush(x);
    std::this_thread::sleep_for(std::chrono::milliseconds(15));
    XTestFakeKeyEvent(x, code, False, 0);
    XFlush(x);
}

long Since(Clock::time_point start)
{
    return long(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// Milliseconds from `start` until the checksum is no longer `from` (or is `to`, when given).
long WaitFor(const SRegion& r, Clock::time_point start, uint64_t from, const uint64_t* to,
             long mostMs)
{
    while (Since(start) <= mostMs)
    {
        const uint64_t now = Checksum(r);
        if (to ? now == *to : now != from)
            return Since(start);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return -1;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 7)
    {
        std::fprintf(stderr, "usage: region-watch sum|taps|until WINDOW X Y W H ...\n");
        return 2;
    }
    SRegion r;
    r.X = XOpenDisplay(nullptr);
    if (!r.X)
    {
        std::fprintf(stderr, "region-watch: no display\n");
        return 2;
    }
    const std::string mode = argv[1];
    r.Target = Window(std::strtoul(argv[2], nullptr, 0));
    r.Left = std::atoi(argv[3]);
    r.Top = std::atoi(argv[4]);
    r.Width = unsigned(std::atoi(argv[5]));
    r.Height = unsigned(std::atoi(argv[6]));
    if (mode == "sum")
    {
        std::printf("%016llx\n", static_cast<unsigned long long>(Checksum(r)));
        return 0;
    }
    if (mode == "taps" && argc == 10)
    {
        const int count = std::atoi(argv[8]);
        for (int i = 0; i < count; ++i)
        {
            const uint64_t before = Checksum(r);
            const Clock::time_point start = Clock::now();
            Tap(r.X, argv[7]);
            std::printf("%ld\n", WaitFor(r, start, before, nullptr, 5000));
            std::fflush(stdout);
            std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(argv[9])));
        }
        return 0;
    }
    if (mode == "until" && argc == 10)
    {
        const uint64_t wanted = std::strtoull(argv[8], nullptr, 16);
        const long most = std::atol(argv[9]);
        const uint64_t before = Checksum(r);
        const Clock::time_point start = Clock::now();
        Tap(r.X, argv[7]);
        const long changed = WaitFor(r, start, before, nullptr, most);
        std::printf("%ld %ld\n", changed, WaitFor(r, start, 0, &wanted, most));
        return 0;
    }
    std::fprintf(stderr, "region-watch: bad arguments\n");
    return 2;
}
