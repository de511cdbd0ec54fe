#include <gtest/gtest.h>
#include "crashreport/core/MailAddress.h"

using namespace jov;

TEST(MailAddress, RecipientsAreCountedAfterNormalising) {
    struct {
        const char *list, *normal;
        int count;
    } cases[] = {{"a@x; b@y", "a@x,b@y", 2}, {" ;a@x;; ,", "a@x", 1}, {"", "", 0}, {"a@x", "a@x", 1}};
    for (auto& c : cases) {
        std::string list = c.list;
        EXPECT_EQ(NormaliseRecipients(list), c.count) << c.list;
        EXPECT_EQ(list, c.normal) << c.list;
    }
}

TEST(MailAddress, AngleForms) {
    EXPECT_EQ(AngleAddress("bugs@lintra.example", false), "<bugs@lintra.example>");
    EXPECT_EQ(AngleAddress("Bugs <bugs@lintra.example>", true), "Bugs <bugs@lintra.example>");
    EXPECT_EQ(AngleAddress("Bugs <bugs@lintra.example>", false), "<bugs@lintra.example>");
}
