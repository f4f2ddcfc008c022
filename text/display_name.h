#pragma once

// The statistics file name as the chart shows it: the text after the last backslash, or the whole
// text when it has none (a backslash in the first position alone does not count).
const char* DisplayFileName(const char* path);
