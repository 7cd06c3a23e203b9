#include <doctest/doctest.h>

#include "launcher/LastResort.h"
#include "util/Errors.h"

TEST_CASE("the escaped-error text names class, module and message with a period") {
    try {
        throw EFileError("Resource update error: Icon file is invalid", 0);
    } catch (const std::exception& error) {
        const std::string text = EscapedErrorText(&error);
        CHECK(text.rfind("Exception EFileError in module ", 0) == 0);
        CHECK(text.find(".exe at ") != std::string::npos);
        CHECK(text.find(".\r\nResource update error: Icon file is invalid.\r\n") != std::string::npos);
    }
}

TEST_CASE("a message that ends with a period gets no second one") {
    Exception error("Done.");
    CHECK(EscapedErrorText(&error).find("\r\nDone.\r\n") != std::string::npos);
}
