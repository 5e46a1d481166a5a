// The command-line table, its reader and the usage text.
#include "app/desktop/command_line.h"

#include <cstring>

const std::vector<OptionSpec> kOptions = {
    {"--scale", Arity::kOne, "N", "window size factor from 1 to 3, to the nearest 0.25", false},
    {"--help", Arity::kNone, "", "show this help and exit", false},
    {"--version", Arity::kNone, "", "show the version and exit", false},
    {"--import", Arity::kOneOrMore, "FILE...", "add the events of iCalendar files to the calendar and exit", false},
    {"--export", Arity::kOne, "FILE.ics", "write the calendar as an iCalendar file (- for standard output)\n"
                                          "                      and exit", false},
    {"-display", Arity::kOne, "DISPLAY", "", true},
    {"-geometry", Arity::kOne, "WxH+X+Y", "", true},
    {"-iconic", Arity::kNone, "", "", true},
    {"-direct", Arity::kNone, "", "", true},
    {"-indirect", Arity::kNone, "", "", true},
    {"-gldebug", Arity::kNone, "", "", true},
    {"-sync", Arity::kNone, "", "", true},
};

namespace {

const OptionSpec* FindOption(const std::vector<OptionSpec>& table, const std::string& name) {
    for (const OptionSpec& o : table)
        if (name == o.name) return &o;
    return nullptr;
}

}  // namespace

bool CommandLine::Has(const std::string& name) const {
    for (const auto& g : given)
        if (g.first == name) return true;
    return false;
}

const std::string* CommandLine::Value(const std::string& name) const {
    for (auto it = given.rbegin(); it != given.rend(); ++it)
        if (it->first == name && !it->second.empty()) return &it->second.back();
    return nullptr;
}

std::vector<std::string> CommandLine::Values(const std::string& name) const {
    std::vector<std::string> out;
    for (const auto& g : given)
        if (g.first == name) out.insert(out.end(), g.second.begin(), g.second.end());
    return out;
}

CommandLine ParseCommandLine(int argc, const char* const* argv, const std::vector<OptionSpec>& table) {
    CommandLine cl;
    for (int i = 1; i < argc && cl.error.empty(); ++i) {
        std::string arg = argv[i], inline_value;
        bool has_inline = false;
        if (arg.compare(0, 2, "--") == 0 && arg.find('=') != std::string::npos) {
            inline_value = arg.substr(arg.find('=') + 1);
            arg.resize(arg.find('='));
            has_inline = true;
        }
        const OptionSpec* o = FindOption(table, arg);
        if (!o) {
            cl.error = arg[0] == '-' ? "unknown option " + arg : "unexpected argument " + arg;
            break;
        }
        std::vector<std::string> values;
        if (has_inline) {
            if (o->arity == Arity::kNone) cl.error = "option " + arg + " takes no value";
            values.push_back(inline_value);
        }
        if (o->arity == Arity::kOne && !has_inline && i + 1 < argc) values.push_back(argv[++i]);
        if (o->arity == Arity::kOneOrMore)
            while (i + 1 < argc && argv[i + 1][0] != '-') values.push_back(argv[++i]);
        if (o->arity != Arity::kNone && values.empty()) cl.error = "option " + arg + " needs " + o->value;
        if (o->glut) {
            cl.glut_args.push_back(arg);
            cl.glut_args.insert(cl.glut_args.end(), values.begin(), values.end());
        }
        cl.given.emplace_back(arg, values);
    }
    return cl;
}

std::string Usage() {
    const std::string indent(22, ' ');
    std::string u =
        "Usage: strigolo [OPTION]...\n"
        "A desktop companion owl with a calendar, reminders and an Italian quiz.\n\n"
        "Options:\n";
    std::string glut, line;  // GLUT's options, wrapped under the indent
    for (const OptionSpec& o : kOptions) {
        const std::string left = std::string(o.name) + (*o.value ? std::string(" ") + o.value : "");
        if (!o.glut) {
            u += "  " + left + std::string(left.size() < 20 ? 20 - left.size() : 1, ' ') + o.help + "\n";
        } else {
            if (!line.empty() && indent.size() + line.size() + 2 + left.size() > 78) {
                glut += indent + line + "\n";
                line.clear();
            }
            line += (line.empty() ? "" : "  ") + left;
        }
    }
    return u + "  X options, passed on to GLUT:\n" + glut + indent + line +
           "\n\n"
           "Files:\n"
           "  Data/database.bin   the calendar, in the folder the program runs in; the\n"
           "                      strigolo command runs it in ~/.local/share/strigolo\n"
           "  ~/.local/state/strigolo/window-place\n"
           "                      where the window was left\n"
           "  ~/.config/strigolo/config\n"
           "                      calendar folders the owl reads (vdirs kept by vdirsyncer\n"
           "                      or khal) and how they are synced; without it, the\n"
           "                      calendars of ~/.config/khal/config\n\n"
           "Environment:\n"
           "  STRIGOLO_SCALE      window size factor, as --scale (which wins over it);\n"
           "                      without either, the desktop's Xft.dpi decides (96 is 1)\n"
           "  XDG_DATA_HOME       replaces ~/.local/share for the calendar's folder\n"
           "  XDG_STATE_HOME      replaces ~/.local/state for the window's place\n"
           "  XDG_CONFIG_HOME     replaces ~/.config for the config files\n"
           "  DISPLAY             the X display the owl opens on\n";
}

void GeometryParts(const std::string& geometry, bool& size, bool& place) {
    size = geometry.find_first_of("xX") != std::string::npos;
    place = geometry.find_first_of("+-") != std::string::npos;
}
