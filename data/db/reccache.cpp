// The shared record cache: slot choice, cutting records down to their key texts and
// making them again from those texts.
#include "data/db/reccache.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <set>
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

// The attributes whose values a cut-down entry keeps: the key, or every stored
// attribute of an entity without key columns (it could not be read again).
std::vector<int> KeptPositions(const TEntity* entity) {
  std::vector<int> positions;
  for (int i = 0; i < entity->AttributeCount; ++i)
    if (IsKeyAttribute(entity->Attributes[i])) positions.push_back(i);
  if (positions.empty())
    for (int i = 0; i < entity->AttributeCount; ++i)
      if (IsStoredAttribute(entity->Attributes[i])) positions.push_back(i);
  return positions;
}

void CutDown(TRecListEntry* entry) {
  TDBRecord* record = entry->record;
  std::vector<int> positions = KeptPositions(record->GetEntity());
  size_t total = 0;
  for (int position : positions) total += std::strlen(record->Field(position).CurrentValue()) + 1;
  char* keys = static_cast<char*>(std::malloc(total ? total : 1));
  char* out = keys;
  for (int position : positions) {
    const char* text = record->Field(position).CurrentValue();
    size_t n = std::strlen(text) + 1;
    std::memcpy(out, text, n);
    out += n;
  }
  delete record;
  Slots[entry->slot].entry = nullptr;
  FreeSlots.insert(entry->slot);
  entry->slot = -1;
  entry->keyCount = static_cast<int>(positions.size());
  entry->record = nullptr;
  entry->keys = keys;
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
  FreeTempStrings();
}

void PlaceInCache(TRecListEntry* entry, TDBRecord* record) {
  EnsureCache();
  int slot = ChooseSlot();
  if (Slots[slot].entry) CutDown(Slots[slot].entry);
  FreeSlots.erase(slot);
  Slots[slot] = TCacheSlot{Counter, entry};
  Placements.emplace_back(Counter, slot);
  ++Counter;
  DropStalePlacements();
  entry->slot = slot;
  entry->keyCount = 0;
  entry->record = record;
  entry->keys = nullptr;
}

void ReleaseEntry(TRecListEntry* entry) {
  if (entry->slot >= 0) {
    Slots[entry->slot].entry = nullptr;
    FreeSlots.insert(entry->slot);
    delete entry->record;
  } else {
    std::free(entry->keys);
  }
  *entry = TRecListEntry{-1, 0, nullptr, nullptr};
}

void MoveEntry(TRecListEntry* to, const TRecListEntry* from) {
  *to = *from;
  if (to->slot >= 0) Slots[to->slot].entry = to;
}

TDBRecord* RebuildRecord(TRecListEntry* entry, TEntity* entity) {
  TDBRecord* record = NewDBRecord(entity->Name);
  std::vector<int> positions = KeptPositions(entity);
  const char* text = entry->keys;
  for (size_t i = 0; i < positions.size() && int(i) < entry->keyCount; ++i) {
    record->Field(positions[i]).SetValue(text);
    text += std::strlen(text) + 1;
  }
  std::free(entry->keys);
  entry->keys = nullptr;
  entry->keyCount = 0;
  bool keyed = !positions.empty() && IsKeyAttribute(entity->Attributes[positions[0]]);
  if (keyed) record->Read();
  PlaceInCache(entry, record);
  return record;
}

int RecListCacheSlots() { return static_cast<int>(Slots.size()); }

int RecListCacheUsed() { return static_cast<int>(Slots.size() - FreeSlots.size()); }

int RecListCacheSlotOf(const TDBRecord* record) {
  for (size_t i = 0; i < Slots.size(); ++i)
    if (Slots[i].entry && Slots[i].entry->record == record) return static_cast<int>(i);
  return -1;
}
