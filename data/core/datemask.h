// How far a text was read by a format mask, for callers that tell a partial entry
// (the text ends before the mask) from one that does not fit the mask at all.
#pragma once

enum TMaskParse {
  MASK_COMPLETE,    // mask and text both used up
  MASK_TEXT_SHORT,  // the text ended first; the fields not reached keep their start values
  MASK_MISMATCH     // a character that does not fit, a value out of range, a date that does not
                    // exist, or text left over
};

// ParseByMask with the reason; the outputs hold what was read, as with ParseByMask.
TMaskParse ParseMask(const char* text, const char* mask, int* year, int* month, int* day, int* hour,
                     int* minute, int* second);
