// Table sequences: the next number to hand out per table, kept in "SEQNUM".
#pragma once

// The next number of the table's sequence (1 for a table without a row yet), or -1
// when the database cannot be reached or refuses. Safe when several connections
// take numbers at once: no number is handed out twice.
long NextSequence(const char* table);
