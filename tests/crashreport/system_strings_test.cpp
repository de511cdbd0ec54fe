#include "crashreport/jovStrings.h"

#include <gtest/gtest.h>
#include <windows.h>

using namespace jov;

TEST(SystemStrings, ErrorTextsAreOneLine) {
    for (uint32_t code : {uint32_t(ERROR_FILE_NOT_FOUND), uint32_t(ERROR_ACCESS_DENIED), 0xC0000005u}) {
        const std::string text = SystemErrorText(code);
        EXPECT_FALSE(text.empty()) << code;
        EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << text;
    }
    // A status code is mapped to its error code first.
    EXPECT_EQ(SystemErrorText(0xC0000005u), SystemErrorText(ERROR_NOACCESS));
    // No message: the fallback phrase and the code.
    const std::string unknown = SystemErrorText(0x3FFFFF00u);
    EXPECT_NE(unknown.find("$3fffff00"), std::string::npos) << unknown;
    // 2100-2999 come from the network message module: here the stand-in beside this program.
    EXPECT_EQ(SystemErrorText(2102), "The stand-in network message 2102. ");
}

TEST(SystemStrings, ByteSizeUsesTheLocaleSeparator) {
    const char separator = DecimalSeparator();
    EXPECT_NE(separator, '\0');
    EXPECT_EQ(FormatByteSize(1536), std::string("1") + separator + "50 KB");
}
