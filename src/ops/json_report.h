// "-sjson": the inventory of device FRUID as one JSON object, for other programs.
#pragma once

// Reads the device's first 512 bytes and prints the device ID, whether the common header and each
// info area add up to 0, whether the bytes are blank and whether they hold the built-in layout,
// and the item values under the names the playbook uses.
void show_json_format();
