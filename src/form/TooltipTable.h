// The main dialog's tooltips as a table of (control, string) rows, shared by every desktop front
// end so that the same controls explain themselves the same way.
#pragma once

#include <cstdint>

struct TooltipEntry {
    int32_t controlId;  // 0 ends the table
    uint32_t stringId;  // string-table entry with the text
    int32_t toolMarker; // cleared when the tooltips are built
};

// The buttons, the LED pair, dial tone detection and the six units.
extern TooltipEntry TooltipTable[];
