// The web commands' addresses: the scheme rule, the maker's pages and the update check.
#include <gtest/gtest.h>

#include <string>

#include "app/WebAddress.h"

TEST(WebAddress, TheSchemeIsAddedOnceAndAddressesStayWithinTheirLength)
{
    EXPECT_EQ("http://example.org/x", WebAddress("example.org/x"));
    EXPECT_EQ("HTTP://Example.org", WebAddress("HTTP://Example.org")) << "capital scheme kept as it is";
    EXPECT_EQ("http://http:/", WebAddress("http:/")) << "a part of the scheme is not the scheme";
    EXPECT_EQ(259u, WebAddress(std::string(400, 'a')).size());
    EXPECT_EQ(0u, MakerHomePage().find("www."));
    EXPECT_EQ(MakerHomePage() + "/tapvox.htm", ProductPage());
    EXPECT_EQ(MakerHomePage() + "/update.py?product=Tapvox&version=1.2.3", UpdateCheckAddress("1.2.3"));
    EXPECT_EQ(MakerHomePage() + "/update.py?product=Tapvox&version=", UpdateCheckAddress(nullptr));
    EXPECT_EQ(259u, UpdateCheckAddress(std::string(300, '9').c_str()).size());
}
