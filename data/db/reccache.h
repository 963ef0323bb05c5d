// The one record cache that all record lists share: a fixed number of slots, each
// holding one full record of some list. A record that loses its slot is cut down to
// its key texts and read again by key when its list is next asked for it.
#pragma once

#include <cstdint>

class TDBRecord;
struct TEntity;

// One leaf entry of a record list's paged index (24 bytes: a cut-down row costs little
// more than that when its key texts fit in the entry itself).
struct TRecListEntry {
  int32_t slot;      // the cache slot holding record; -1 once cut down to its key texts
  int16_t keyCount;  // cut down: number of key texts
  int16_t onHeap;    // cut down: the texts are in a heap block (keys), not in the entry
  union {
    TDBRecord* record;  // while cached: the record, owned by the entry
    char* keys;         // cut down, long texts: one after another, each ended by '\0'
    char inlineKeys[16];  // cut down, short texts: the same, kept in the entry
  };
};

// An entry that holds nothing.
inline TRecListEntry EmptyRecListEntry() {
  TRecListEntry entry;
  entry.slot = -1;
  entry.keyCount = 0;
  entry.onHeap = 0;
  entry.record = nullptr;
  return entry;
}

// Gives the entry a slot for record (the entry owns it from now on). The slot taken:
// slot 0 when free, else the first free slot, else the one placed longest ago, whose
// entry is cut down first.
void PlaceInCache(TRecListEntry* entry, TDBRecord* record);
// Frees what the entry holds: its slot and record, or its key texts.
void ReleaseEntry(TRecListEntry* entry);
// Copies an entry to another place of an index; a cached entry's slot follows it.
void MoveEntry(TRecListEntry* to, const TRecListEntry* from);
// A new record of the entity made from a cut-down entry (its texts are freed): the key
// values as stored values, read again by key. An entity without key columns keeps
// every stored value in its entry instead, and the record is made from them unread.
TDBRecord* RebuildRecord(TRecListEntry* entry, TEntity* entity);
// A record for the next row a list of the entity reads (the caller owns it): the last
// record the cache let go when it is of that entity, made fresh, else a new one. A walk
// over a long list then makes no record per row.
TDBRecord* NewListRecord(TEntity& entity);

// Number of slots the cache has now, and of those holding a record (for tests).
int RecListCacheSlots();
int RecListCacheUsed();
// The slot that holds this record, -1 when none does (for tests).
int RecListCacheSlotOf(const TDBRecord* record);
