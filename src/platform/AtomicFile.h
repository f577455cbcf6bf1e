#pragma once
#include <filesystem>
#include <string_view>

// Replaces a file as a whole: a temporary file in the same folder is written, flushed to disk
// and renamed over the target, so a crash or a full disk never leaves a half-written file.
// False when anything fails; the old file is then untouched.
bool WriteFileAtomically(const std::filesystem::path& file, std::string_view bytes);
