// Doubly linked lists whose nodes begin with a next and a previous pointer; the rest
// of a node belongs to its user. A list is the address of its head pointer.
#pragma once

struct TListNode {
  TListNode* Next;
  TListNode* Prev;
};

void ListAppend(TListNode** list, TListNode* node);
// Inserts after the given node, or at the tail when it is null; 0 for a null new node.
int ListInsertAfter(TListNode** list, TListNode* after, TListNode* node);
// Unlinks the node (not freed); 0 when the list or the node is null.
int ListRemove(TListNode** list, TListNode* node);
