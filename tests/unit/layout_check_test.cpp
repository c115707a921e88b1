#include <gtest/gtest.h>

#include "layout/item_table.h"
#include "layout/self_check.h"
#include "support.h"

class SelfCheck : public tool_test {};

TEST_F(SelfCheck, EditedTablesFailWithTheirExactLines) {
    const struct {
        const char* what;
        std::function<void()> edit;
        int status;
        const char* out;
    } cases[] = {
        {"built-in table", [] {}, 0, "Check fru info ok!\n"},
        {"item 14 one byte longer", [] { item[14].length = 25; }, 255,
         "Abnormal item number is:15,this item's field name is: \"Chassis Serial Number "
         "Type/Length\".\nCheck item 15 offset and length fail.\n"},
        {"chassis start inside item 14", [] { item[2].value[0] = 0x0B; }, 255,
         "Can't get the item number by offset 58\n"},
        {"board start at the header", [] { item[3].value[0] = 0x00; }, 255,
         "Comm Ver\nCheck board area offset and length fail.\n"},
        {"product length one unit short", [] { item[40].value[0] = 0x18; }, 255,
         "Can't get the item number by offset 1f7\n"},
        {"board length ending at the manufacturer string", [] { item[23].value[0] = 0x01; }, 255,
         "Check board area offset and length fail.\n"},
        {"chassis type 0x18", [] { item[12].value[0] = 0x18; }, 255,
         "Check chassis type fail,it's value bigger than 0x17.\n"},
        {"chassis type 0x17", [] { item[12].value[0] = 0x17; }, 0, "Check fru info ok!\n"},
        {"chassis type 0x00", [] { item[12].value[0] = 0x00; }, 0, "Check fru info ok!\n"},
    };
    for (const auto& c : cases) {
        const captured result = run_captured([&] {
            c.edit();
            chk_fru_info();
        });
        EXPECT_EQ(result.status, c.status) << c.what;
        EXPECT_EQ(result.out, c.out) << c.what;
    }
}
