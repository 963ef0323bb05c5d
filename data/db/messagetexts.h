// Message texts by number, kept in the table "ErrorMessage" (MSG_NO, MSG_TEXT).
#pragma once

// Copies the text of message number into buffer (size bytes, cut to fit); false with an
// empty buffer when the number has no text or the database cannot be read.
bool GetMessageText(long number, char* buffer, int size);
