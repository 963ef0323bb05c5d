// Doubly linked lists of nodes that begin with their next and previous pointers.
#include "data/core/nodelist.h"

void ListAppend(TListNode** list, TListNode* node) { ListInsertAfter(list, nullptr, node); }

int ListInsertAfter(TListNode** list, TListNode* after, TListNode* node) {
  if (!node) return 0;
  if (after) {
    node->Prev = after;
    node->Next = after->Next;
    if (after->Next) after->Next->Prev = node;
    after->Next = node;
    return 1;
  }
  node->Next = nullptr;
  if (!*list) {
    node->Prev = nullptr;
    *list = node;
    return 1;
  }
  TListNode* last = *list;
  while (last->Next) last = last->Next;
  last->Next = node;
  node->Prev = last;
  return 1;
}

int ListRemove(TListNode** list, TListNode* node) {
  if (!list || !node) return 0;
  if (node->Prev) node->Prev->Next = node->Next;
  if (node->Next) node->Next->Prev = node->Prev;
  if (*list == node) *list = node->Next;
  node->Next = node->Prev = nullptr;
  return 1;
}
