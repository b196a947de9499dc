// The authors' web page, which the about box opens in the web browser.
#pragma once

constexpr char kAuthorsPage[] = "https://github.com/ondulite/ondulite";
