// One collection pass over the hot folder.
#pragma once

#include "skip_list.h"

// Returns 0 when the enumeration could not be started, otherwise the code with which it ended.
int CollectFiles(SkipList& skipList);
