// Paths as the file system resolves them.
#ifndef GLYFEX_OS_PATH_H
#define GLYFEX_OS_PATH_H

#include <climits>

// The length of path's folder part, its last slash included (0 for none).
int folder_length(const char* path);

// Copies path to out, then replaces it by the target of each symbolic link
// it names (a relative target counts from the link's folder), 40 at most.
// False when a link cannot be read, the chain is too long, or a path does
// not fit.
bool follow_links(const char* path, char (&out)[PATH_MAX]);

#endif
