// The board's page, its style and its script, built into kvdplant (page/ holds the sources).
#pragma once

#include <span>
#include <string_view>

namespace kvdboard {

struct PageFile {
    std::string_view name;  // "index.html", "board.css", "board.js"
    std::string_view type;  // the Content-Type, a literal (terminated)
    std::string_view body;
};

std::span<const PageFile> PageFiles();

}  // namespace kvdboard
