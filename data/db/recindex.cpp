// Growing, shrinking and walking the 32-way paged index of a record list.
#include "data/db/recindex.h"

namespace {

TRecListNode* NewNode(int span) {
  TRecListNode* node = new TRecListNode();
  node->count = 0;
  node->span = span;
  if (span > 1) {
    for (TRecListNode*& child : node->children) child = nullptr;
  } else {
    for (TRecListEntry& entry : node->entries) entry = EmptyRecListEntry();
  }
  return node;
}

// Adds one position at the end.
void Grow(TRecListNode** root) {
  if ((*root)->count == RecListFanOut * (*root)->span) {
    TRecListNode* top = NewNode((*root)->span * RecListFanOut);
    top->count = (*root)->count;
    top->children[0] = *root;
    *root = top;
  }
  TRecListNode* node = *root;
  while (node->span > 1) {
    int old = node->count;
    int child = old / node->span;
    ++node->count;
    if (old == 0 || child != (old - 1) / node->span)
      node->children[child] = NewNode(node->span / RecListFanOut);
    node = node->children[child];
  }
  ++node->count;
}

// Takes the last position off the subtree (its entry is already moved or released);
// children that become empty are deleted.
void ShrinkNode(TRecListNode* node) {
  --node->count;
  if (node->span == 1) return;
  int index = node->count / node->span;  // the child that held the old last position
  TRecListNode* child = node->children[index];
  ShrinkNode(child);
  if (child->count == 0) {
    delete child;
    node->children[index] = nullptr;
  }
}

void Shrink(TRecListNode** root) {
  ShrinkNode(*root);
  while ((*root)->span > 1 && (*root)->count <= (*root)->span) {
    TRecListNode* top = *root;
    *root = top->children[0] ? top->children[0] : NewNode(1);
    delete top;
  }
}

void FreeChildren(TRecListNode* node) {
  if (node->span == 1) {
    for (int i = 0; i < node->count; ++i) ReleaseEntry(&node->entries[i]);
    return;
  }
  for (TRecListNode* child : node->children) {
    if (!child) continue;
    FreeChildren(child);
    delete child;
  }
}

}  // namespace

TRecListNode* NewRecListLeaf() { return NewNode(1); }

TRecListEntry* IndexEntry(TRecListNode* root, int position) {
  TRecListNode* node = root;
  while (node->span > 1) {
    int span = node->span;
    node = node->children[position / span];
    position %= span;
  }
  return &node->entries[position];
}

void IndexInsert(TRecListNode** root, int position, TDBRecord* record) {
  int last = (*root)->count;
  Grow(root);
  for (int i = last; i > position; --i) MoveEntry(IndexEntry(*root, i), IndexEntry(*root, i - 1));
  TRecListEntry* entry = IndexEntry(*root, position);
  *entry = EmptyRecListEntry();
  PlaceInCache(entry, record);
}

void IndexRemove(TRecListNode** root, int position) {
  int last = (*root)->count - 1;
  ReleaseEntry(IndexEntry(*root, position));
  for (int i = position; i < last; ++i) MoveEntry(IndexEntry(*root, i), IndexEntry(*root, i + 1));
  *IndexEntry(*root, last) = EmptyRecListEntry();
  Shrink(root);
}

void IndexClear(TRecListNode* root) {
  FreeChildren(root);
  root->count = 0;
  root->span = 1;
  for (TRecListEntry& entry : root->entries) entry = EmptyRecListEntry();
}

int IndexDepth(const TRecListNode* root) {
  int depth = 1;
  for (int span = root->span; span > 1; span /= RecListFanOut) ++depth;
  return depth;
}
