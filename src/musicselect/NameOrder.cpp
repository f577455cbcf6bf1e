#include "musicselect/NameOrder.h"

#include <algorithm>

namespace
{
bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

unsigned char Folded(char c)
{
    return static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
}

// The run of digits starting at `at`, without its leading zeros (a lone 0 stays); `at` moves
// past the run.
std::string_view DigitRun(std::string_view name, size_t& at)
{
    size_t end = at;
    while (end < name.size() && IsDigit(name[end]))
        ++end;
    size_t first = at;
    while (first + 1 < end && name[first] == '0')
        ++first;
    at = end;
    return name.substr(first, end - first);
}

// <0, 0 or >0 by value: fewer digits is smaller, then the digits in order.
int CompareNumbers(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}
} // namespace

bool NameLess(std::string_view a, std::string_view b)
{
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size())
    {
        if (IsDigit(a[i]) && IsDigit(b[j]))
        {
            if (const int order = CompareNumbers(DigitRun(a, i), DigitRun(b, j)); order != 0)
                return order < 0;
            continue;
        }
        if (Folded(a[i]) != Folded(b[j]))
            return Folded(a[i]) < Folded(b[j]);
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size())
        return j < b.size();
    return a < b;
}

void SortNames(std::vector<std::string>& names)
{
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return NameLess(a, b); });
}
