// The config readers: INI lines in the style khal and vdirsyncer use, read from a
// buffer, and the choice between the owl's file and khal's.
#include "app/calendar/live/live_config.h"

#include <cstdlib>
#include <functional>

#include "platform/regular_file.h"

namespace {

constexpr size_t kMaxConfigBytes = 1u << 20;

std::string Trim(const std::string& s) {
    const size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

// A value without its comment (a '#' or ';' after a blank) and without one pair of
// surrounding quotes, which vdirsyncer's files put around every string.
std::string Value(const std::string& raw) {
    std::string v = raw;
    for (size_t i = 1; i < v.size(); ++i)
        if ((v[i] == '#' || v[i] == ';') && (v[i - 1] == ' ' || v[i - 1] == '\t')) {
            v.resize(i);
            break;
        }
    v = Trim(v);
    if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0]) v = v.substr(1, v.size() - 2);
    return v;
}

bool ParseBool(const std::string& v, bool& out) {
    std::string l;
    for (char c : v) l += char(c >= 'A' && c <= 'Z' ? c + 32 : c);
    if (l == "yes" || l == "true" || l == "on" || l == "1") return out = true, true;
    if (l == "no" || l == "false" || l == "off" || l == "0") return out = false, true;
    return false;
}

bool ParseInt(const std::string& v, int low, int high, int& out) {
    if (v.empty() || v.size() > 6 || v.find_first_not_of("0123456789") != std::string::npos) return false;
    const int n = std::atoi(v.c_str());
    if (n < low || n > high) return false;
    out = n;
    return true;
}

// One line of an INI file as the readers see it: a section header (depth 1 for
// "[x]", 2 for "[[x]]") or a key and its value.
struct IniLine {
    int number = 0;
    int depth = 0;  // 0 for a key
    std::string section, key, value;
};

// Calls `take` for every header and key line; other non-blank, non-comment lines are
// warned about here.
void ForEachLine(const std::string& text, const std::string& file, std::vector<std::string>& warnings,
                 const std::function<void(const IniLine&)>& take) {
    size_t at = 0;
    for (int number = 1; at < text.size(); ++number) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        const std::string line = Trim(text.substr(at, end - at));
        at = end + 1;
        if (line.empty() || line[0] == '#' || line[0] == ';') continue;
        IniLine l;
        l.number = number;
        if (line[0] == '[') {
            while (l.depth < int(line.size()) && line[size_t(l.depth)] == '[') ++l.depth;
            const size_t close = line.find(']');
            if (l.depth > 2 || close == std::string::npos || line.size() - close < size_t(l.depth) ||
                line.compare(close, size_t(l.depth), std::string(size_t(l.depth), ']')) != 0 ||
                !Value(line.substr(close + size_t(l.depth))).empty()) {
                warnings.push_back(file + ":" + std::to_string(number) + ": not a section header: " + line);
                continue;
            }
            l.section = Trim(line.substr(size_t(l.depth), close - size_t(l.depth)));
            take(l);
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string::npos || Trim(line.substr(0, eq)).empty()) {
            warnings.push_back(file + ":" + std::to_string(number) + ": not a \"key = value\" line: " + line);
            continue;
        }
        l.key = Trim(line.substr(0, eq));
        l.value = Value(line.substr(eq + 1));
        take(l);
    }
}

bool IsAbsoluteFolder(const char* s) { return s && s[0] == '/'; }

// Adds `c` unless its name is taken or it has no usable path.
void AddCalendar(LiveConfig& cfg, LiveCalendar c, bool has_path, const std::string& where,
                 std::vector<std::string>& warnings) {
    if (!has_path) return warnings.push_back(where + ": calendar \"" + c.name + "\" has no path; left out");
    if (c.path.empty() || c.path[0] != '/')
        return warnings.push_back(where + ": calendar \"" + c.name + "\" path is not absolute; left out");
    while (c.path.size() > 1 && c.path.back() == '/') c.path.pop_back();
    cfg.calendars.push_back(c);
}

}  // namespace

ConfigEnv ConfigEnvFromProcess() {
    ConfigEnv env;
    env.home = std::getenv("HOME");
    env.xdg_config_home = std::getenv("XDG_CONFIG_HOME");
    env.xdg_data_home = std::getenv("XDG_DATA_HOME");
    return env;
}

namespace {
std::string ConfigHome(const ConfigEnv& env) {
    if (IsAbsoluteFolder(env.xdg_config_home)) return env.xdg_config_home;
    if (IsAbsoluteFolder(env.home)) return std::string(env.home) + "/.config";
    return "";
}
}  // namespace

std::string OwlConfigPath(const ConfigEnv& env) {
    const std::string home = ConfigHome(env);
    return home.empty() ? "" : home + "/strigolo/config";
}

std::string KhalConfigPath(const ConfigEnv& env) {
    const std::string home = ConfigHome(env);
    return home.empty() ? "" : home + "/khal/config";
}

std::string ExpandConfigPath(const std::string& path, const ConfigEnv& env) {
    const std::string home = env.home ? env.home : "";
    const std::string data = IsAbsoluteFolder(env.xdg_data_home) ? std::string(env.xdg_data_home)
                                                                 : home + "/.local/share";
    std::string p = path;
    if (p == "~" || p.compare(0, 2, "~/") == 0) p = home + p.substr(1);
    const struct { const char* name; const std::string& value; } vars[] = {
        {"${XDG_DATA_HOME}", data}, {"$XDG_DATA_HOME", data}, {"${HOME}", home}, {"$HOME", home}};
    for (const auto& v : vars)
        for (size_t at = p.find(v.name); at != std::string::npos; at = p.find(v.name, at + v.value.size()))
            p.replace(at, std::string(v.name).size(), v.value);
    return p;
}

LiveConfig ParseOwlConfig(const std::string& text, const std::string& file, const ConfigEnv& env,
                          std::vector<std::string>& warnings) {
    LiveConfig cfg;
    cfg.file = file;
    enum { kNone, kCalendar, kOptions, kUnknown } in = kNone;
    LiveCalendar cal;
    bool has_path = false;
    std::string cal_where;
    auto close_calendar = [&]() {
        if (in == kCalendar) AddCalendar(cfg, cal, has_path, cal_where, warnings);
    };
    ForEachLine(text, file, warnings, [&](const IniLine& l) {
        const std::string where = file + ":" + std::to_string(l.number);
        if (l.depth > 0) {
            close_calendar();
            in = kUnknown;
            if (l.depth == 1 && l.section == "options") {
                in = kOptions;
            } else if (l.depth == 1 && l.section.compare(0, 9, "calendar ") == 0 && !Trim(l.section.substr(9)).empty()) {
                cal = LiveCalendar();
                cal.name = Trim(l.section.substr(9));
                has_path = false;
                cal_where = where;
                in = kCalendar;
                for (const LiveCalendar& c : cfg.calendars)
                    if (c.name == cal.name) {
                        warnings.push_back(where + ": calendar \"" + cal.name + "\" named twice; the second left out");
                        in = kUnknown;
                    }
                if (cal.name == "owl") {
                    warnings.push_back(where + ": \"owl\" names the owl's own calendar; this section left out");
                    in = kUnknown;
                }
            } else {
                warnings.push_back(where + ": unknown section [" + l.section + "]");
            }
            return;
        }
        const std::string& k = l.key;
        bool ok = true, known = true;
        if (in == kCalendar) {
            if (k == "path") {
                cal.path = ExpandConfigPath(l.value, env);
                has_path = true;
            } else if (k == "read_only") {
                ok = ParseBool(l.value, cal.read_only);
            } else {
                known = false;
            }
        } else if (in == kOptions) {
            if (k == "new_events") {
                ok = !l.value.empty();
                if (ok) cfg.new_events = l.value;
            } else if (k == "days_ahead") {
                ok = ParseInt(l.value, 1, 366, cfg.days_ahead);
            } else if (k == "sync_command") {
                cfg.sync_command = l.value;
            } else if (k == "sync_minutes") {
                ok = ParseInt(l.value, 1, 24 * 60, cfg.sync_minutes);
            } else if (k == "notifications") {
                if (l.value == "when-hidden") cfg.notifications = DesktopNotices::kWhenHidden;
                else if (l.value == "always") cfg.notifications = DesktopNotices::kAlways;
                else if (l.value == "never") cfg.notifications = DesktopNotices::kNever;
                else ok = false;
            } else {
                known = false;
            }
        } else if (in == kUnknown) {
            return;  // the section was warned about once
        } else {
            return warnings.push_back(where + ": \"" + k + "\" is outside any section");
        }
        if (!known) warnings.push_back(where + ": unknown key \"" + k + "\"");
        if (!ok) warnings.push_back(where + ": bad value for " + k + ": \"" + l.value + "\"");
    });
    close_calendar();
    if (cfg.new_events != "owl") {
        const LiveCalendar* target = nullptr;
        for (const LiveCalendar& c : cfg.calendars)
            if (c.name == cfg.new_events) target = &c;
        if (!target || target->read_only) {
            warnings.push_back(file + ": new_events names " +
                               std::string(target ? "a read-only" : "no such") + " calendar \"" + cfg.new_events +
                               "\"; new events go to the owl's own calendar");
            cfg.new_events = "owl";
        }
    }
    return cfg;
}

LiveConfig ParseKhalConfig(const std::string& text, const std::string& file, const ConfigEnv& env,
                           std::vector<std::string>& warnings) {
    LiveConfig cfg;
    cfg.file = file;
    bool in_calendars = false, in_calendar = false, has_path = false, skip = false;
    LiveCalendar cal;
    std::string cal_where;
    auto close_calendar = [&]() {
        if (in_calendar && !skip) AddCalendar(cfg, cal, has_path, cal_where, warnings);
        in_calendar = false;
    };
    ForEachLine(text, file, warnings, [&](const IniLine& l) {
        if (l.depth == 1) {
            close_calendar();
            in_calendars = l.section == "calendars";
        } else if (l.depth == 2) {
            close_calendar();
            if (!in_calendars) return;
            cal = LiveCalendar();
            cal.name = l.section;
            has_path = skip = false;
            cal_where = file + ":" + std::to_string(l.number);
            in_calendar = true;
        } else if (in_calendar && l.key == "path") {
            cal.path = ExpandConfigPath(l.value, env);
            has_path = true;
        } else if (in_calendar && l.key == "readonly") {
            if (!ParseBool(l.value, cal.read_only))
                warnings.push_back(file + ":" + std::to_string(l.number) + ": bad value for readonly: \"" + l.value + "\"");
        } else if (in_calendar && l.key == "type" && l.value == "discover") {
            // A glob of folders khal discovers; the owl reads only named folders.
            warnings.push_back(cal_where + ": calendar \"" + cal.name + "\" of type discover is not read by the owl");
            skip = true;
        }
    });
    close_calendar();
    return cfg;
}

namespace {
// The image of `path`: false when there is nothing there; a file that cannot be read
// is warned about and reads as empty.
bool ReadConfigFile(const std::string& path, std::string& text, std::vector<std::string>& warnings) {
    if (path.empty()) return false;
    const FileRead r = ReadRegularFile(path, kMaxConfigBytes);
    if (r.status == FileReadStatus::kMissing) return false;
    if (r.status != FileReadStatus::kRead) warnings.push_back(path + ": not read: " + r.error);
    text.assign(r.bytes.begin(), r.bytes.end());
    return true;
}
}  // namespace

LiveConfig LoadLiveConfig(const ConfigEnv& env, std::vector<std::string>& warnings) {
    std::string text;
    const std::string owl = OwlConfigPath(env), khal = KhalConfigPath(env);
    if (ReadConfigFile(owl, text, warnings)) return ParseOwlConfig(text, owl, env, warnings);
    if (ReadConfigFile(khal, text, warnings)) return ParseKhalConfig(text, khal, env, warnings);
    return LiveConfig();
}
