// The paged index of a record list: nodes of 32 entries; a leaf holds the list's
// entries, an inner node the children that each cover span positions.
#pragma once

#include "data/db/reccache.h"

constexpr int RecListFanOut = 32;

struct TRecListNode {
  int count;  // entries in the subtree
  int span;   // entries per child: 1 for a leaf, a power of 32 above
  union {
    TRecListEntry entries[RecListFanOut];
    TRecListNode* children[RecListFanOut];
  };
};

// An empty leaf (count 0, span 1).
TRecListNode* NewRecListLeaf();
// The leaf entry of a position below the root's count.
TRecListEntry* IndexEntry(TRecListNode* root, int position);
// Inserts record at position (at most the count); the entry takes it into the cache.
void IndexInsert(TRecListNode** root, int position, TDBRecord* record);
// Removes the entry at a position below the count, freeing what it holds.
void IndexRemove(TRecListNode** root, int position);
// Frees every entry and node below the root, which ends as an empty leaf.
void IndexClear(TRecListNode* root);
// Number of levels (1 for a leaf root).
int IndexDepth(const TRecListNode* root);
