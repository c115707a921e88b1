#include <gtest/gtest.h>

#include "ops/initialize.h"
#include "support.h"

class ConfiguredLayout : public tool_test {};

// Table edits a configuration could make, with the header checksum kept right where the case is
// about an area.
TEST_F(ConfiguredLayout, ImagesThatCannotBeValidAreRefusedBeforeWriting) {
    const struct {
        const char* what;
        std::function<void()> edit;
        const char* out; // "" when accepted
    } cases[] = {
        {"defaults", [] {}, ""},
        {"board area on the chassis area",
         [] {
             item[3].value[0] = 0x0A;
             item[7].value[0] = 0xC3;
         },
         "Refusing \"fruconfig.ini\": the chassis and board areas overlap; nothing written.\n"},
        {"product area at the internal use version",
         [] {
             item[4].value[0] = 0x01;
             item[7].value[0] = 0xDC;
         },
         // The internal use data item gives size 0.
         "Refusing \"fruconfig.ini\": the product area of 0 bytes does not end at a \"Checksum\" "
         "item; nothing written.\n"},
        {"board length one unit longer", [] { item[23].value[0] = 0x11; },
         "Refusing \"fruconfig.ini\": the board area of 136 bytes does not end at a \"Checksum\" "
         "item; nothing written.\n"},
        {"product length past the image",
         [] {
             item[23].value[0] = 0x10;
             item[4].value[0] = 0x27;
             item[40].value[0] = 0xFF;
         },
         "Refusing \"fruconfig.ini\": the product area of 2040 bytes does not end at a "
         "\"Checksum\" "
         "item; nothing written.\n"},
    };
    for (const auto& c : cases) {
        const captured result = run_captured([&] {
            c.edit();
            check_configured_layout();
        });
        EXPECT_EQ(result.status, c.out[0] ? 255 : 0) << c.what;
        EXPECT_EQ(result.out, c.out) << c.what;
    }
    EXPECT_TRUE(device.commands.empty());
}
