// The fixed texts the command line prints.
#ifndef GLYFEX_CLI_MESSAGES_H
#define GLYFEX_CLI_MESSAGES_H

extern const char kBanner[];
extern const char kUsage[];

#endif
