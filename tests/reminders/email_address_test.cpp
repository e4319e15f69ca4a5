#include "reminders/email_address.h"

#include <gtest/gtest.h>

#include <string>

namespace velmora {
namespace {

TEST(checkEmailField, AcceptedAndRejectedFields) {
    const struct {
        std::string field;
        const char* answer;
        const char* why;
    } cases[] = {
        {"joao@empresa.com.br", "1", "one address"},
        {"ab@cd.ef", "1", "shortest accepted shape"},
        {"financeiro@alvorada.com.br; contas@alvorada.com.br", "2", "semicolon and blank"},
        {"x1@abc.de,y_2@abc.de", "2", "comma"},
        {"x1@abc.de y-2@abc.de", "2", "blank"},
        {" ;;x1@abc.de,, ;y2@abc.de;; ", "2", "runs of separators give no empty addresses"},
        {"\t x1@abc.de \r\n", "1", "blanks and control characters around the field"},
        {"ab@c..de", "1", "two dots in a row"},
        {"ab@.c.de", "1", "domain beginning with a dot"},
        {"", "0", "empty field"},
        {"   ", "0", "blank field"},
        {" ; , ", "0", "separators only"},
        {"Ab@cd.ef", "ERRO", "upper-case letter"},
        {"a@cdef.com", "ERRO", "local part of one character"},
        {"ab@c.br", "ERRO", "domain shorter than 5 characters"},
        {"ab@cdefgh", "ERRO", "domain without a dot"},
        {"ab@cdef.g", "ERRO", "last label of one character"},
        {"ab@cd@ef.gh", "ERRO", "two @"},
        {"abcdef.gh", "ERRO", "no @"},
        {"a+b@cd.ef", "ERRO", "plus sign"},
        {"jo\xC3\xA3o@cd.ef", "ERRO", "accented letter"},
        {"ok@abc.de; Bad@abc.de", "ERRO", "second address rejected"},
        {"ok@abc.de\t;x2@abc.de", "ERRO", "a tab inside the field is no separator"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(checkEmailField(c.field), c.answer) << c.why << ": \"" << c.field << "\"";
    }
}

TEST(countOccurrences, CountsWholeNonOverlappingOccurrences) {
    EXPECT_EQ(countOccurrences("@", "a@b@c"), 2);
    EXPECT_EQ(countOccurrences("aa", "aaaa"), 2);
    EXPECT_EQ(countOccurrences("aa", "aaa"), 1);
    EXPECT_EQ(countOccurrences("z", "abc"), 0);
    EXPECT_EQ(countOccurrences("", "abc"), 0);
    EXPECT_EQ(countOccurrences("a", ""), 0);
}

}  // namespace
}  // namespace velmora
