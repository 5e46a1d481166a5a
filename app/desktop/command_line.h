// The command line: the program's own options and GLUT's, read from one table, and
// the usage text that `--help` prints.
#pragma once

#include <string>
#include <utility>
#include <vector>

// How many values follow an option: none, exactly one, or one or more (every argument
// up to the next one that starts with a dash, "-" alone being a value).
enum class Arity { kNone, kOne, kOneOrMore };

struct OptionSpec {
    const char* name;   // "--scale"; GLUT's own options have one dash ("-display")
    Arity arity;
    const char* value;  // the value's name in the usage ("N", "FILE..."); "" for none
    const char* help;   // its line in the usage; GLUT's options are listed together
    bool glut;          // handed to glutInit, with its value, as given
};

// The options, in the order the usage lists them. A new option is one row here and
// its handling in main.
extern const std::vector<OptionSpec> kOptions;

struct CommandLine {
    // Every option given, with its values, in the order given (GLUT's too).
    std::vector<std::pair<std::string, std::vector<std::string>>> given;
    // GLUT's own options and their values, in order, for glutInit.
    std::vector<std::string> glut_args;
    // Why the line cannot be understood ("unknown option --frobnicate"); empty when it can.
    std::string error;

    bool Has(const std::string& name) const;
    // The value given last for `name`; nullptr when the option was not given.
    const std::string* Value(const std::string& name) const;
    // Every value given for `name`, in order, over all the times it was given.
    std::vector<std::string> Values(const std::string& name) const;
};

// Reads argv[1..argc-1] against `table`. Options take their value as the next argument
// or, for the double-dash ones, after "=" ("--scale=2").
CommandLine ParseCommandLine(int argc, const char* const* argv, const std::vector<OptionSpec>& table = kOptions);

// The text --help prints: options, where the calendar and the window's place are kept,
// and the environment variables.
std::string Usage();

// Which parts a GLUT -geometry value sets: a size ("300x300") and a place ("+10+20").
void GeometryParts(const std::string& geometry, bool& size, bool& place);
