#include "core/NameBytes.h"

#include <gtest/gtest.h>

// Every byte string a file system allows comes back whole, and is read with one
// replacement character for each byte that is not UTF-8.
TEST(NameBytesTest, EveryNameComesBackByteForByteAndShowsItsStrayBytesReplaced)
{
    struct Case {
        const char* what;
        QByteArray bytes;
        QString shown;
    };
    const Case cases[] = {
        {"UTF-8", "caf\xC3\xA9.avi", u"café.avi"_qs},
        {"Latin-1", "1-caf\xE9.mp4", u"1-caf\uFFFD.mp4"_qs},
        {"outside the first plane", "\xF0\x9F\x8E\xAC.avi", u"\U0001F3AC.avi"_qs},
        {"a surrogate written as UTF-8", "a\xED\xA0\x80", u"a\uFFFD\uFFFD\uFFFD"_qs},
        {"an overlong slash", "a\xC0\xAF" "b", u"a\uFFFD\uFFFDb"_qs},
        {"cut short at the end", "a\xE2\x82", u"a\uFFFD\uFFFD"_qs},
        {"an escape's own bytes, Latin-1 after a lead", "\xED\xB3\xA9\xE9", u"\uFFFD\uFFFD\uFFFD\uFFFD"_qs},
    };
    for (const Case& test : cases) {
        const QString name = NameFromBytes(test.bytes);
        EXPECT_EQ(NameBytes(name), test.bytes) << test.what;
        EXPECT_EQ(ShownName(name), test.shown) << test.what;
        EXPECT_EQ(HasStrayBytes(name), name != test.shown) << test.what;
    }
}
