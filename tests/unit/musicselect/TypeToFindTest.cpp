#include "musicselect/TypeToFind.h"

#include <gtest/gtest.h>

// The letters a keyboard gives, in any script and either case, find the next name that starts
// with them; a second later a new prefix begins. Names and keys are compared composed and case
// folded: a name copied from a Mac (its accents apart) is found by the accented key, and a
// consonant of a script without case finds the names whose first cluster it begins.
TEST(TypeToFind, AnyLetterInEitherCaseFindsTheNextName)
{
    const std::vector<std::string> names = {
        "..",    "song", "Дом",   "дача", "Ωδή",  "été",        "Été 2",        "ÉCOLE", "Straße",
        "กุ้งเผา", "กา",   "किताब", "कमल",  "কেমন", "Cafe\u0301", "e\u0301toile", "ẞig",
    };
    const struct
    {
        std::u32string Typed;
        int64_t Selected;
        int64_t Found;
    } cases[] = {
        {U"д", -1, 2},   {U"Д", 2, 3},   {U"ДА", -1, 3},  {U"ω", -1, 4},  {U"é", -1, 5},
        {U"É", 5, 6},    {U"éc", -1, 7}, {U"S", -1, 1},   {U"st", -1, 8}, {U"ß", -1, 16},
        {U"ДОМ", -1, 2}, {U"х", -1, -1}, {U"ก", -1, 9},   {U"ก", 9, 10},  {U"กุ", -1, 9},
        {U"क", -1, 11},  {U"क", 11, 12}, {U"कम", -1, 12}, {U"ক", -1, 13}, {U"café", -1, 14},
        {U"É", 7, 15},   {U"e", 1, -1},  {U"ẞ", -1, 16},
    };
    for (const auto& c : cases)
    {
        CTypeToFind finder;
        int64_t found = -1;
        for (const char32_t letter : c.Typed)
            found = finder.Type(letter, 0, names, c.Selected);
        EXPECT_EQ(found, c.Found) << std::string(c.Typed.begin(), c.Typed.end()) << " from "
                                  << c.Selected;
    }
}
