#include "cli/usage.h"

#include <cstdio>

// Printed as one piece; the tabs and the blanks at both ends of each line are part of the text.
// clang-format off
const char usage_text[] =
    " ***************************************Usage********************************************** \n"
    "  Fru flash tool for MB, version : 2.0\t2018/08/09                                        * \n"
    " ------------------------------To read FRU information--------------------------------    * \n"
    " ./tarnwick FRUID /CPN ----------------------------Read/Write  chassis part number        * \n"
    " ./tarnwick FRUID /CSN ----------------------------Read/Write  chassis serial number      * \n"
    " ./tarnwick FRUID /BM -----------------------------Read/Write  board manufacturer         * \n"
    " ./tarnwick FRUID /BMT ----------------------------Read/Write  board manufacture date/time* \n"
    " ./tarnwick FRUID /BPNA ---------------------------Read/Write  board product name         * \n"
    " ./tarnwick FRUID /BSN ----------------------------Read/Write  board serial number        * \n"
    " ./tarnwick FRUID /BPNU ---------------------------Read/Write  board part number          * \n"
    " ./tarnwick FRUID /BFFI ---------------------------Read/Write  board fru file ID          * \n"
    " ./tarnwick FRUID /PM -----------------------------Read/Write  product manufacturer       * \n"
    " ./tarnwick FRUID /PN -----------------------------Read/Write  product name               * \n"
    " ./tarnwick FRUID /PPN ----------------------------Read/Write  product part number        * \n"
    " ./tarnwick FRUID /PV -----------------------------Read/Write  product version            * \n"
    " ./tarnwick FRUID /PSN ----------------------------Read/Write  product serial number      * \n"
    " ./tarnwick FRUID /PAT ----------------------------Read/Write  product asset tag          * \n"
    " ./tarnwick FRUID /PFFI ---------------------------Read/Write  product fru file ID        * \n"
    " -----------------      -----To write FRU information----------------------------------   * \n"
    " FRUID: 0 1 2 3 6 7 (0->MB;1 2 3 -> Front hdd backplane; 6 7-> Rear hdd backplane)        * \n"
    " ./tarnwick FRUID  -w     (initialize fru information)                                    * \n"
    " ./tarnwick FRUID /Item  (note:item is above read item,value is item's value)             * \n"
    " ./tarnwick FRUID /Item {value} (note:valus is the flash content)  \t\t          * \n"
    " ./tarnwick 0 -stxt  (show fru information in text format)                                * \n"
    " ./tarnwick 0 -sbin  (show fru information in binary format)                              * \n"
    " ./tarnwick 0 -debug (check fru information when fru spec change)                         * \n"
    " ****************************************************************************************** \n"
    ;
// clang-format on

void show_help() {
    std::fputs(usage_text, stdout);
}
