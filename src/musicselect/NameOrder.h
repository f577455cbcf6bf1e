#pragma once
#include <string>
#include <string_view>
#include <vector>

// Names in the order a Linux file manager shows them: letter case ignored and a run of digits
// compared by its value, so "Track 2" comes before "track 10". Names that only differ in case
// or leading zeros still get a fixed order (by their bytes). Non-ASCII letters compare by code
// point. Any thread.
bool NameLess(std::string_view a, std::string_view b);
void SortNames(std::vector<std::string>& names);
