// Which calendar folders (vdirs, one .ics file per item, as vdirsyncer and khal keep
// them) the owl reads: the owl's own config file, or khal's when there is none.
#pragma once

#include <string>
#include <vector>

// One folder of items, from a "[calendar NAME]" section (or khal's "[[NAME]]").
struct LiveCalendar {
    std::string name;
    std::string path;        // absolute, ~ and $XDG_DATA_HOME expanded
    bool read_only = false;  // the owl never writes into it
};

// When the desktop's own notifications are used beside the owl's: only while the window
// cannot be seen (the default), always, or never.
enum class DesktopNotices { kWhenHidden, kAlways, kNever };

struct LiveConfig {
    std::string file;  // the file it was read from; empty when there was none
    std::vector<LiveCalendar> calendars;
    std::string new_events = "owl";  // a calendar's name, or "owl" for database.bin
    int days_ahead = 30;             // days after now whose occurrences count
    std::string sync_command;        // run by /bin/sh in the background; empty for none
    int sync_minutes = 15;           // minutes between two runs of sync_command
    DesktopNotices notifications = DesktopNotices::kWhenHidden;
};

// The environment that names the files and expands paths; null or empty for unset.
struct ConfigEnv {
    const char* home = nullptr;
    const char* xdg_config_home = nullptr;
    const char* xdg_data_home = nullptr;
};
ConfigEnv ConfigEnvFromProcess();

// $XDG_CONFIG_HOME/strigolo/config and $XDG_CONFIG_HOME/khal/config (~/.config when
// XDG_CONFIG_HOME is unset or relative); empty when no absolute folder is known.
std::string OwlConfigPath(const ConfigEnv& env);
std::string KhalConfigPath(const ConfigEnv& env);

// A leading "~" or "~/" becomes HOME, and $XDG_DATA_HOME or ${XDG_DATA_HOME} anywhere
// its value (~/.local/share when unset); $HOME and ${HOME} too. Nothing else changes.
std::string ExpandConfigPath(const std::string& path, const ConfigEnv& env);

// Reads the owl's config file image `text` (named `file` in messages). Every line that
// is not understood (an unknown section or key, a bad value, a calendar without a path
// or with a name used before) adds one line to `warnings`; the rest still counts.
LiveConfig ParseOwlConfig(const std::string& text, const std::string& file, const ConfigEnv& env,
                          std::vector<std::string>& warnings);

// Reads khal's config image: only the calendars under [calendars] ("[[NAME]]" with
// path = and readonly =); khal's other sections and keys are khal's business.
LiveConfig ParseKhalConfig(const std::string& text, const std::string& file, const ConfigEnv& env,
                           std::vector<std::string>& warnings);

// The owl's config file if there is one, else khal's, else no calendars (the owl as
// it was without them). A file that is there but cannot be read (not a regular file,
// no permission, larger than 1 MiB) is a warning and counts as empty.
LiveConfig LoadLiveConfig(const ConfigEnv& env, std::vector<std::string>& warnings);
