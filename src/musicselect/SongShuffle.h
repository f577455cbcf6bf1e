#pragma once
#include <memory>
#include <vector>

class CFolderItem;
class CRandom;

// Deals the songs at the end of the list (below every folder) into a new order with the
// game's shared generator; folders keep their places. The deal takes the k-th of the
// remaining songs, k = Rand() mod remaining, from a pile built by taking the songs off the
// end of the list one by one, so a seed always gives the same order.
void ShuffleSongs(std::vector<std::unique_ptr<CFolderItem>>& items, CRandom& random);
