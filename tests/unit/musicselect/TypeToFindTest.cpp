#include "musicselect/TypeToFind.h"

#include <gtest/gtest.h>

// The letters a keyboard gives, in any script and either case, find the next name that starts
// with them; a second later a new prefix begins.
TEST(TypeToFind, AnyLetterInEitherCaseFindsTheNextName)
{
    const std::vector<std::string> names = {"..",  "song",  "Дом",   "дача",  "Ωδή",
                                            "été", "Été 2", "ÉCOLE", "Straße"};
    const struct
    {
        std::u32string Typed;
        int64_t Selected;
        int64_t Found;
    } cases[] = {
        {U"д", -1, 2},  {U"Д", 2, 3},   {U"ДА", -1, 3},  {U"ω", -1, 4},
        {U"é", -1, 5},  {U"É", 5, 6},   {U"éc", -1, 7},  {U"S", -1, 1},
        {U"st", -1, 8}, {U"ß", -1, -1}, {U"ДОМ", -1, 2}, {U"х", -1, -1},
    };
    for (const auto& c : cases)
    {
        CTypeToFind finder;
        int64_t found = -1;
        for (const char32_t letter : c.Typed)
            found = finder.Type(letter, 0, names, c.Selected);
        EXPECT_EQ(found, c.Found) << std::string(c.Typed.begin(), c.Typed.end());
    }
}
