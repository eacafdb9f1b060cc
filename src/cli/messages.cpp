#include "cli/messages.h"

#ifndef GLYFEX_VERSION
#error "GLYFEX_VERSION must be set by the build"
#endif

const char kBanner[] = "Glyfex " GLYFEX_VERSION " - Pilot font resource to PilRC text; free software, no warranty.\n\n";

const char kUsage[] =
    "Extracts a Pilot font resource to an ASCII\nfile that can be compiled with PilRC.\n\n"
    " usage:  glyfex infile outfile {offset}\n"
    " options first: --bdf writes BDF; after it --charset latin|palm|symbol|symbol11|symbol7|led|sjis,\n"
    "                or --lead 0xNN for a Japanese subfont of that lead byte\n\n";

