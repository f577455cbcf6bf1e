#pragma once
#include "support/LogCapture.h"

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

// Runs body in a forked child that has dropped root (uid/gid 65534) when the tests run as
// root, so permission checks really apply. The child's result: body's return value, or -1
// when it died or could not drop its rights. The body must not use test assertions.
int RunUnprivileged(const std::function<int()>& body);

// Lets an unprivileged child create files in a folder made by the tests.
void OpenToEveryone(const std::filesystem::path& folder);

std::string ReadWholeFile(const std::filesystem::path& file);
void WriteWholeFile(const std::filesystem::path& file, const std::string& bytes);
