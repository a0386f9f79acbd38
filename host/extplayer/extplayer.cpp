// extplayer: plays the host against one extension library from the command
// line.
//
//   extplayer inspect FILE.dll   what the host's editor learns from the library
//   extplayer help               the commands
//
// New subcommands go into the table below.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "commands.h"

namespace extplayer {

void Out(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vfprintf(stdout, format, args);
    va_end(args);
    std::fflush(stdout);
}

void Err(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fflush(stderr);
}

namespace {

int Help(const Arguments&);

const Command Commands[] = {
    {"inspect", "FILE.dll", "print what the host's editor learns from an extension library", Inspect},
    {"help", "", "list the commands", Help},
};

int Help(const Arguments&)
{
    Out("usage: extplayer COMMAND [ARGUMENTS]\n\ncommands:\n");
    for (const Command& c : Commands)
        Out("  %-8s %-10s %s\n", c.name, c.usage, c.summary);
    return 0;
}

}  // namespace

}  // namespace extplayer

int main(int argc, char** argv)
{
    using namespace extplayer;
    if (argc < 2) {
        Help({});
        return 2;
    }
    for (const Command& c : Commands)
        if (std::strcmp(argv[1], c.name) == 0)
            return c.run(Arguments(argv + 2, argv + argc));
    Err("extplayer: unknown command '%s'\n", argv[1]);
    Help({});
    return 2;
}
