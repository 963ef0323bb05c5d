// The shared record cache: slot choice, cutting records down to their key texts and
// making them again from those texts.
#include "data/db/reccache.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <set>
#include <typeinfo>
#include <utility>
#include <vector>

#include "data/core/strings.h"
#include "data/db/reclist.h"
#include "data/db/record.h"
#include "data/model/model.h"
#include "data/model/settings.h"

namespace {

struct TCacheSlot {
  uint32_t stamp;
  TRecListEntry* entry;
};

std::vector<TCacheSlot> Slots;
// The stamp of the next placement.
uint32_t Counter = 0;
// Slots without an entry, lowest first.
std::set<int> FreeSlots;
// (stamp, slot) of every placement in the order made; those whose slot has been freed or
// placed again since are skipped when met. The front live one has the smallest stamp.
std::deque<std::pair<uint32_t, int>> Placements;

bool IsLive(const std::pair<uint32_t, int>& placement) {
  const TCacheSlot& slot = Slots[placement.second];
  return slot.entry && slot.stamp == placement.first;
}

// Keeps the placement queue near the number of slots when slots are freed often.
void DropStalePlacements() {
  if (Placements.size() <= 2 * Slots.size() + 64) return;
  std::deque<std::pair<uint32_t, int>> live;
  for (const auto& placement : Placements)
    if (IsLive(placement)) live.push_back(placement);
  Placements.swap(live);
}

int ChooseSlot() {
  if (!FreeSlots.empty()) return *FreeSlots.begin();
  // Every slot is taken, so the queue holds a live placement for each of them.
  for (;;) {
    std::pair<uint32_t, int> oldest = Placements.front();
    Placements.pop_front();
    if (IsLive(oldest)) return oldest.second;
  }
}

// The attributes whose values a cut-down entry keeps, by position: the key, or every
// stored attribute of an entity without key columns (it could not be read again).
bool KeepsAll(const TEntity* entity) {
  for (int i = 0; i < entity->AttributeCount; ++i)
    if (IsKeyAttribute(entity->Attributes[i])) return false;
  return true;
}

bool IsKept(const TAttribute& attribute, bool all) {
  return all ? IsStoredAttribute(attribute) : IsKeyAttribute(attribute);
}

// The record the cache let go last, kept for the next row of a list of its entity, and
// the model's content it was made for.
TDBRecord* SpareRecord = nullptr;
unsigned SpareGeneration = 0;

// A record leaving the cache: kept as the spare when there is none, else freed.
void LetGo(TDBRecord* record) {
  if (SpareRecord || typeid(*record) != typeid(TDBRecord)) {
    delete record;
    return;
  }
  record->MakeFresh();
  SpareRecord = record;
  SpareGeneration = TheModel.Generation;
}

void DropSpareRecord() {
  delete SpareRecord;
  SpareRecord = nullptr;
}

const char* KeyTexts(const TRecListEntry* entry) { return entry->onHeap ? entry->keys : entry->inlineKeys; }

void FreeKeyTexts(TRecListEntry* entry) {
  if (entry->slot < 0 && entry->onHeap) std::free(entry->keys);
  *entry = EmptyRecListEntry();
}

// Replaces the entry's record by its key texts; its slot is left to the caller.
void KeepKeysOnly(TRecListEntry* entry) {
  TDBRecord* record = entry->record;
  const TEntity* entity = record->GetEntity();
  bool all = KeepsAll(entity);
  size_t total = 0;
  int count = 0;
  for (int i = 0; i < entity->AttributeCount; ++i) {
    if (!IsKept(entity->Attributes[i], all)) continue;
    total += std::strlen(record->Field(i).CurrentValue()) + 1;
    ++count;
  }
  bool onHeap = total > sizeof entry->inlineKeys;
  char* keys = onHeap ? static_cast<char*>(std::malloc(total)) : entry->inlineKeys;
  char* out = keys;
  for (int i = 0; i < entity->AttributeCount; ++i) {
    if (!IsKept(entity->Attributes[i], all)) continue;
    const char* text = record->Field(i).CurrentValue();
    size_t n = std::strlen(text) + 1;
    std::memcpy(out, text, n);
    out += n;
  }
  LetGo(record);
  entry->slot = -1;
  entry->keyCount = static_cast<int16_t>(count);
  entry->onHeap = onHeap ? 1 : 0;
  if (onHeap) entry->keys = keys;
}

void CutDown(TRecListEntry* entry) {
  int slot = entry->slot;
  KeepKeysOnly(entry);
  Slots[slot].entry = nullptr;
  FreeSlots.insert(slot);
}

// Cuts every cached record down, so no entry refers to a slot any more.
void CutDownAll() {
  for (TCacheSlot& slot : Slots)
    if (slot.entry) CutDown(slot.entry);
}

void EnsureCache() {
  if (Slots.empty()) AllocRecListCache();
}

}  // namespace

void AllocRecListCache() {
  CutDownAll();
  // A cache needs at least one slot.
  int size = RecListCacheSize < 1 ? 1 : RecListCacheSize;
  Slots.assign(size, TCacheSlot{0, nullptr});
  Counter = 0;
  FreeSlots.clear();
  for (int i = 0; i < size; ++i) FreeSlots.insert(FreeSlots.end(), i);
  Placements.clear();
}

void FreeGlobalCaches() {
  CutDownAll();
  std::vector<TCacheSlot>().swap(Slots);
  FreeSlots.clear();
  std::deque<std::pair<uint32_t, int>>().swap(Placements);
  Counter = 0;
  DropSpareRecord();
  FreeTempStrings();
}

void PlaceInCache(TRecListEntry* entry, TDBRecord* record) {
  EnsureCache();
  int slot = ChooseSlot();
  if (Slots[slot].entry)
    KeepKeysOnly(Slots[slot].entry);  // the slot passes straight to the new entry
  else
    FreeSlots.erase(slot);
  Slots[slot] = TCacheSlot{Counter, entry};
  Placements.emplace_back(Counter, slot);
  ++Counter;
  DropStalePlacements();
  entry->slot = slot;
  entry->keyCount = 0;
  entry->onHeap = 0;
  entry->record = record;
}

void ReleaseEntry(TRecListEntry* entry) {
  if (entry->slot >= 0) {
    Slots[entry->slot].entry = nullptr;
    FreeSlots.insert(entry->slot);
    delete entry->record;
    *entry = EmptyRecListEntry();
  } else {
    FreeKeyTexts(entry);
  }
}

void MoveEntry(TRecListEntry* to, const TRecListEntry* from) {
  *to = *from;
  if (to->slot >= 0) Slots[to->slot].entry = to;
}

TDBRecord* RebuildRecord(TRecListEntry* entry, TEntity* entity) {
  TDBRecord* record = NewDBRecord(*entity);
  bool all = KeepsAll(entity);
  const char* text = KeyTexts(entry);
  int left = entry->keyCount;
  for (int i = 0; i < entity->AttributeCount && left > 0; ++i) {
    if (!IsKept(entity->Attributes[i], all)) continue;
    record->Field(i).SetValue(text);
    text += std::strlen(text) + 1;
    --left;
  }
  FreeKeyTexts(entry);
  if (!all) record->Read();
  PlaceInCache(entry, record);
  return record;
}

TDBRecord* NewListRecord(TEntity& entity) {
  if (SpareRecord && SpareRecord->GetEntity() == &entity && SpareGeneration == TheModel.Generation) {
    TDBRecord* record = SpareRecord;
    SpareRecord = nullptr;
    return record;
  }
  DropSpareRecord();
  return NewDBRecord(entity);
}

int RecListCacheSlots() { return static_cast<int>(Slots.size()); }

int RecListCacheUsed() { return static_cast<int>(Slots.size() - FreeSlots.size()); }

int RecListCacheSlotOf(const TDBRecord* record) {
  for (size_t i = 0; i < Slots.size(); ++i)
    if (Slots[i].entry && Slots[i].entry->record == record) return static_cast<int>(i);
  return -1;
}
