// "-diff": what "-w" would change on device FRUID, item by item, writing nothing.
#pragma once

// Reads the configuration and the date as "-w" does, builds the image "-w" would leave, reads the
// device's first 512 bytes and prints one line for each layout item whose bytes differ, then a
// summary. Returns 0 when the device already holds the image, 1 when items differ.
int show_image_diff();
