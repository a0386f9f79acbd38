// The subcommands of extplayer. Each takes the arguments after its name and
// returns the program's exit code; output goes to stdout through Out().
#pragma once

#include <string>
#include <vector>

namespace extplayer {

using Arguments = std::vector<std::string>;

struct Command {
    const char* name;
    const char* usage;    // arguments, as shown by help
    const char* summary;  // one line
    int (*run)(const Arguments& args);
};

// printf to stdout, flushed at once so that output survives under wine.
void Out(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The same to stderr.
void Err(const char* format, ...) __attribute__((format(printf, 1, 2)));

int Inspect(const Arguments& args);

}  // namespace extplayer
