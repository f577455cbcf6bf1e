#pragma once
// Test songs made from known PCM: synthesised signals with fixed seeds, written as WAV,
// MP3 (libmp3lame) or OGG Vorbis (libvorbisenc), with title/artist tags written by TagLib.
// Nothing here is downloaded; every song is a few seconds long so the suite stays fast.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace SongFactory
{

// 16-bit interleaved PCM at its own rate and channel count.
struct SPcm
{
    int Rate = 44100;
    int Channels = 2;
    std::vector<int16_t> Samples;

    int64_t Frames() const { return Channels > 0 ? int64_t(Samples.size()) / Channels : 0; }
    int64_t Bytes() const { return int64_t(Samples.size()) * 2; }
};

// Signals. Amplitudes are fractions of full scale (1.0 = 32767); phases start at 0.
SPcm Sine(int rate, int channels, double seconds, double freqHz, double amplitude = 0.5);
SPcm Silence(int rate, int channels, double seconds);
SPcm Noise(int rate, int channels, double seconds, uint32_t seed, double amplitude = 0.5);
// Stereo with a different sine on each side (a zero amplitude gives a silent side).
SPcm StereoSines(int rate, double seconds, double leftHz, double leftAmp, double rightHz,
                 double rightAmp);
// Semitone steps from firstNote (0 = C0, 57 = A 440 Hz), each held noteSeconds, same on
// every channel: a melody whose notes the analysis can find again.
SPcm Scale(int rate, int channels, int firstNote, int noteCount, double noteSeconds,
           double amplitude = 0.5);
// Exactly these sample values, repeated on every channel frame by frame.
SPcm FromFrames(int rate, int channels, const std::vector<int16_t>& interleaved);
// 44100 Hz stereo whose every frame carries its own index (never a silent frame), so a capture
// of what the device played tells which frame of the song each of its frames was.
SPcm NumberedFrames(double seconds);
// The index a frame of NumberedFrames carries; -1 for anything else (silence).
int64_t FrameNumber(int16_t left, int16_t right);

enum class EFormat
{
    Wav,
    Mp3Cbr,      // 128 kbps with the LAME/Xing header (carries the gapless delay/padding)
    Mp3VbrNoTag, // VBR, no Xing/LAME header: no gapless information, no frame count
    Ogg
};

// Writes a song; false (and a message on stderr) when the encoder refuses the input
// (MP3 takes 8000..48000 Hz and at most 2 channels).
bool Write(const std::filesystem::path& path, const SPcm& pcm, EFormat format);
bool WriteWav(const std::filesystem::path& path, const SPcm& pcm);
bool WriteMp3(const std::filesystem::path& path, const SPcm& pcm, bool vbrWithoutTag,
              int kbps = 128);
bool WriteOgg(const std::filesystem::path& path, const SPcm& pcm, float quality = 0.4f);

enum class ETagKind
{
    Id3v1,        // Latin-1 only
    Id3v2Latin1,  // ID3v2.3, ISO-8859-1 frames
    Id3v2Utf16,   // ID3v2.3, UTF-16 with BOM
    Id3v2Utf16BE, // ID3v2.4, UTF-16BE
    Id3v2Utf8,    // ID3v2.4, UTF-8
    Ape,          // APEv2 at the end of an MP3
    XiphComment,  // Vorbis comments of an OGG
    WavInfo       // RIFF INFO chunk of a WAV
};

// Writes title and artist (UTF-8 in) into an existing song with the given tag kind; an empty
// text writes no such field. False when the file type does not carry that kind of tag.
bool WriteTags(const std::filesystem::path& path, const std::string& title,
               const std::string& artist, ETagKind kind);
// Adds an ID3v2 front-cover picture of pictureBytes bytes (pseudo-random contents).
bool AddId3v2Picture(const std::filesystem::path& path, size_t pictureBytes);

// File surgery for hostile inputs.
bool WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadBytes(const std::filesystem::path& path);
std::vector<uint8_t> RandomBytes(size_t count, uint32_t seed);

// Fills an existing folder with every kind of file a player's folder may hold that is not a
// plain song: an empty .mp3, random bytes as .mp3, text as .ogg, a truncated MP3, a 0.1 s
// song, a folder named song.mp3, a song without read permission, a name that is not UTF-8,
// a 100 kB title tag, a 5 MB cover picture, 10 s of silence, 8 kHz mono, 96 kHz, six
// channels, a named pipe (pipe.mp3) and a link to itself (loop.mp3): 16 entries ending in
// .mp3 or .ogg, all short. False when one could not be made.
bool WriteHostileFolder(const std::filesystem::path& folder);

} // namespace SongFactory
