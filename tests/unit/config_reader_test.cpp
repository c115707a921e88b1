#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "layout/lookup.h"
#include "ops/config_reader.h"
#include "support.h"

namespace {

constexpr int part_number = 33; // "Board Part Number String"
const std::string key = "Board Part Number String";

// Applies text that holds no refused value.
void apply(const std::string& text) {
    std::string refused_key;
    EXPECT_TRUE(apply_config_text(text, refused_key)) << "refused key: " << refused_key;
}

std::string part_number_after(const std::string& text) {
    apply(text);
    return value_text(part_number);
}

} // namespace

class ConfigReader : public tool_test {};

TEST_F(ConfigReader, ValueRulesForQuotesAndSpaces) {
    const struct {
        std::string line;
        std::string expected;
    } cases[] = {
        {key + "=AB12\n", "AB12"},
        {key + "=\"AB12\"\n", "AB12"},
        {key + "= \"AB12\"\n", "AB12"},
        {key + "=AB CD\n", "AB CD"},
        {key + "=AB CD \n", "AB CD "},
        {key + "=AB CD  \n", "AB CD"},
        {key + "=AB   CD\n", "AB"},
        {key + "=AB  \tCD\n", "AB"},
        {key + "=  AB12\n", "AB12"},
        {key + "= \" \"AB12\n", "AB12"},
        {key + "=\tAB12\n", "\tAB12"},
        {key + "=\"\"\n", "\""},
        {key + "=A\"\"B\n", "A\"B"},
        {key + "=A\" B\n", "A B"},
        {"  " + key + "=AB12\n", "AB12"},
        {" \t " + key + "=AB12\n", "AB12"},
        {key + " =AB12\n", "OLD"},
        {"[Board]\n" + key + "=AB12\n", "AB12"},
        {"  [Board]\n" + key + "=AB12\n", "AB12"},
        {key + "=AB\n" + key + "=CD\n", "ABCD"},
        {key + "=\"\n", "OLD"},
        // A key running over a line end joins the next line and matches nothing.
        {"ABC\n" + key + "=AB12\n", "OLD"},
        {"ABC\n" + key + "=AB12\n" + key + "=CD\n", "OLDCD"},
        // A zero byte cuts the value.
        {key + "=AB" + std::string(1, '\0') + "CD\n", "OLDAB"},
        // The last line counts without a line end.
        {key + "=AB12", "AB12"},
        {key + "=AB ", "AB "},
        {key + "=AB  ", "AB"},
        {key + "=\"AB\"", "AB"},
        {key, "OLD"},
        {"[Board", "OLD"},
    };
    for (const auto& c : cases) {
        // Values append to what the item holds: cases expecting "OLD..." start from "OLD" and
        // show that the line leaves it or appends to it; the others start from an empty value.
        set_value_text(part_number, c.expected.rfind("OLD", 0) == 0 ? "OLD" : "");
        const std::string got = part_number_after(c.line);
        const std::string& expected = c.expected;
        EXPECT_EQ(got, expected) << "line: \"" << c.line << "\"";
    }
}

TEST_F(ConfigReader, EmptyValuesClearTheItem) {
    for (const std::string& line : {key + "=\n", key + "= \n", key + "= \"\"\n", key + "=\r\n",
                                    key + "=", key + "= ", key + "=\nNext Line=x\n"}) {
        set_value_text(part_number, "OLD");
        EXPECT_EQ(part_number_after(line), "") << "line: \"" << line << "\"";
    }
}

TEST_F(ConfigReader, TwoSpacesBeforeTextAreRefusedWhateverTheKey) {
    const struct {
        std::string text;
        const char* message;
    } cases[] = {
        {key + "=AB  CD\n",
         "\"Board Part Number String\" has a incorrect value,two or more 'space' found,please "
         "check it.\n"},
        {key + "=AB  \"\n",
         "\"Board Part Number String\" has a incorrect value,two or more 'space' found,please "
         "check it.\n"},
        {"No Such Item=x  y\n",
         "\"No Such Item\" has a incorrect value,two or more 'space' found,please check it.\n"},
    };
    for (const auto& c : cases) {
        std::FILE* file = std::fopen("fruconfig.ini", "w");
        std::fputs(c.text.c_str(), file);
        std::fclose(file);
        const captured result = run_captured([] { ini_file_analysis(); });
        EXPECT_EQ(result.status, 255);
        EXPECT_EQ(result.out, c.message);
    }
}

TEST_F(ConfigReader, LongValuesAndKeysNeverOverrunTheField) {
    const std::string forty = "0123456789012345678901234567890123456789";
    apply(key + "=" + forty + "\nBoard Serial Number String=SN1\n");
    EXPECT_EQ(value_text(part_number), forty.substr(0, 35));
    EXPECT_EQ(value_text(31), "SN1");

    // Appending past 35 characters keeps the first 35.
    set_value_text(part_number, "");
    std::string text;
    for (int i = 0; i < 5; ++i) {
        text += key + "=ABCDEFGHIJ\n";
    }
    apply(text);
    EXPECT_EQ(value_text(part_number), "ABCDEFGHIJABCDEFGHIJABCDEFGHIJABCDE");
    EXPECT_EQ(item[part_number].value[35], 0);

    // A key longer than any item name matches nothing, even one that starts like a name.
    set_value_text(part_number, "");
    apply(key + "XXXXXXXXXXXXXXXXXXXXXXXXXXXXXXX=AB\n");
    EXPECT_EQ(value_text(part_number), "");
}

TEST_F(ConfigReader, CrLfGivesTheSameValuesAsLf) {
    const std::string lf = "[Board]\nBoard Part Number String=AB CD\nBoard Serial Number String= "
                           "\"SN 1\"\n\nProduct Name String=Server  \nPAD=\n";
    std::string crlf;
    for (const char c : lf) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    _item_info defaults[item_count];
    std::memcpy(defaults, item, sizeof item);
    apply(lf);
    _item_info from_lf[item_count];
    std::memcpy(from_lf, item, sizeof item);
    EXPECT_EQ(value_text(part_number), "AB CD");
    EXPECT_EQ(value_text(31), "SN 1");
    EXPECT_EQ(value_text(45), "Server");

    std::memcpy(item, defaults, sizeof item);
    apply(crlf);
    EXPECT_EQ(std::memcmp(from_lf, item, sizeof item), 0);
}

TEST_F(ConfigReader, SingleByteItemsAndRepeatedNames) {
    apply("Version=7\nPAD=0\nChassis Type=3\nMultiRecord area=\n");
    EXPECT_EQ(value_text(8), "\x01"
                             "7"); // appended after the default byte, which stays first
    EXPECT_EQ(item[6].value[0], '0');
    EXPECT_EQ(item[12].value[0], 0x17);
    EXPECT_EQ(item[10].value[0], 0x01); // the chassis "Version" cannot be reached
    apply("Checksum=\n");
    EXPECT_EQ(item[7].value[0], 0);
    EXPECT_EQ(item[21].value[0], 0);
}

TEST_F(ConfigReader, FilesOfSectionsBlanksAndOddBytesChangeNothing) {
    _item_info before[item_count];
    std::memcpy(before, item, sizeof item);
    for (const std::string& text :
         {std::string(""), std::string("[a]\n\n   \n[b]\r\n"), std::string("   "),
          std::string("\n\r\n\r"), std::string("\xff\xfe=1\n"), std::string("=AB\n")}) {
        apply(text);
        EXPECT_EQ(std::memcmp(before, item, sizeof item), 0) << "\"" << text << "\"";
    }
}

// A name that is no regular file (a FIFO would hang the run), or a file far larger than any
// configuration, is refused without waiting and without reading on.
TEST_F(ConfigReader, MissingOrUnreadableFileEndsTheProcess) {
    const std::string cannot_open = "Can not open ini file \"fruconfig.ini\".\n";
    const struct {
        const char* make; // shell commands that make "fruconfig.ini"
        std::string out;
    } cases[] = {
        {"true", cannot_open},
        {"mkdir fruconfig.ini", cannot_open},
        {"mkfifo fruconfig.ini", cannot_open},
        {"ln -s /dev/zero fruconfig.ini", cannot_open},
        {"head -c 1048577 /dev/zero >fruconfig.ini",
         "Refusing \"fruconfig.ini\": larger than 1048576 bytes; nothing written.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.make);
        std::filesystem::remove_all("fruconfig.ini");
        ASSERT_EQ(std::system(c.make), 0);
        const captured result = run_captured([] { ini_file_analysis(); });
        EXPECT_EQ(result.status, 255);
        EXPECT_EQ(result.out, c.out);
    }
}
