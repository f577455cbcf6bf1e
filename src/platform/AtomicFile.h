#pragma once
#include <cstddef>
#include <filesystem>
#include <string_view>

// Replaces a file as a whole: a temporary file in the same folder is written, flushed to disk
// and renamed over the target, so a crash or a full disk never leaves a half-written file.
// False when anything fails (errno says why); the old file is then untouched.
bool WriteFileAtomically(const std::filesystem::path& file, std::string_view bytes);

// How many bytes longer than the target's name the temporary file's name is ("." before,
// ".XXXXXX" after): a name this much below the file system's limit can still be replaced.
constexpr size_t AtomicFileNameOverhead = 8;
