#include "platform/Random.h"

int32_t CRandom::Next()
{
    State = State * 214013u + 2531011u;
    return static_cast<int32_t>((State >> 16) & 0x7FFF);
}
