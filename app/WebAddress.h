#pragma once
// The maker's web addresses (home page, product page, update check) and the
// scheme rule of the web commands.
#include <string>

// "http://" in front unless the text begins with it in any case; at most 259 characters.
std::string WebAddress(const std::string& text);
std::string MakerHomePage();
std::string ProductPage();
// The update page with the product name and, when known, its version (null: none); at most 259 characters.
std::string UpdateCheckAddress(const char* productVersion);
