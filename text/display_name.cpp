#include "text/display_name.h"

#include <cstring>

const char* DisplayFileName(const char* path) {
    const std::size_t n = std::strlen(path);
    for (std::size_t i = n; i-- > 1;)
        if (path[i] == '\\') return path + i + 1;
    return path;
}
