// The fixed texts the command line prints.
#ifndef GLYFEX_CLI_MESSAGES_H
#define GLYFEX_CLI_MESSAGES_H

extern const char kBanner[];
extern const char kUsage[];
extern const char kErrInputOpen[];
extern const char kErrOutputOpen[];
extern const char kErrSameFile[];
extern const char kErrSameOutputs[];
// Printed on standard error, since standard output could not take it.
extern const char kErrStdout[];

#endif
