#pragma once
#include <cstdint>
#include <functional>
#include <random>
#include <vector>

// The byte mutations shared by the fuzzers: bit flips, random bytes, runs of one value,
// truncation, splices from donor files, cuts, duplicated pieces, and absurd values in the
// length, count or format fields a parser trusts.
namespace Fuzz
{
using Rng = std::mt19937_64;
using Bytes = std::vector<uint8_t>;
// Offsets of the fields worth an absurd value in these bytes; none (or no function): anywhere.
using FieldsOf = std::function<std::vector<size_t>(const Bytes&)>;

// One to four changes; the same rng state gives the same mutant.
void Mutate(Bytes& b, const std::vector<Bytes>& donors, Rng& rng, const FieldsOf& fieldsOf);
} // namespace Fuzz
