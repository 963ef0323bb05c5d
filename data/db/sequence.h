// Table sequences: the next number to hand out per table, kept in "SEQNUM".
#pragma once

// The next number of the table's sequence (1 for a table without a row yet), or -1
// when the database cannot be reached or refuses. Safe when several connections
// take numbers at once: no number is handed out twice.
long NextSequence(const char* table);

class TDBRecord;

// The two-argument NEXTSEQUENCE: a counter kept in the parent row that the record reaches
// through the named relationship is read under a lock, increased by one and written back;
// returns the new value, or -1 (unknown relationship or attribute, no parent row, the
// database refuses). Safe when several connections count at once.
long UpdateFieldLocked(TDBRecord* record, const char* relationshipName, const char* attributeName);
