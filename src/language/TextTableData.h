// The built-in rows of the text table, as plain data.
#pragma once

#include <cstddef>

struct TextRowData {
    int row;
    const char* key;
    // null for the rows whose default is supplied at fill time (product name, version text)
    const char* defaultText;
    const char* description;
    const char* group;
};

// Every edition: 272 rows, numbered 0 to 273 with 55 and 83 free.
extern const TextRowData kBaseTextRows[];
extern const size_t kBaseTextRowCount;

// The Outlook Express edition: 20 new rows (55, 274 to 292) and the re-set web addresses of
// rows 254 and 260 to 266.
extern const TextRowData kOutlookTextRows[];
extern const size_t kOutlookTextRowCount;
