// Two ways to look at a FRU device: the utility's decoded listing and a hex dump.
#pragma once

// The utility's own decoding of device FRUID, passed through.
void show_text_format();

// Hex dump of the image, 16 bytes a row, up to the row holding the last item's offset.
void show_binary_format();
