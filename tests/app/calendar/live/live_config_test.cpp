// The config readers as tables: what each line of the owl's file and khal's gives,
// what is warned about, and which file counts when.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/calendar/live/live_config.h"

namespace {

const ConfigEnv kEnv{"/home/u", nullptr, nullptr};

// The calendars as "name=path(ro)" joined by spaces, then the options.
std::string Summary(const LiveConfig& c) {
    std::string s;
    for (const LiveCalendar& cal : c.calendars) s += cal.name + "=" + cal.path + (cal.read_only ? "(ro) " : " ");
    return s + "| " + c.new_events + " " + std::to_string(c.days_ahead) + " [" + c.sync_command + "] " +
           std::to_string(c.sync_minutes) + " " + std::to_string(int(c.notifications));
}

TEST(LiveConfig, OwlFileLinesAndTheirWarnings) {
    const std::string defaults = "| owl 30 [] 15 0";
    const struct { const char* text; std::string seen; size_t warnings; } rows[] = {
        // The example a user starts from, inline comments and all.
        {"[calendar work]\npath = ~/.local/share/vdirsyncer/calendars/work\nread_only = no\n\n"
         "[calendar holidays]\npath = $XDG_DATA_HOME/h/\nread_only = yes\n\n[options]\n"
         "new_events = work          # a calendar's name, or \"owl\"\ndays_ahead = 7\n"
         "sync_command = vdirsyncer sync\r\nsync_minutes = 5\nnotifications = always\n",
         "work=/home/u/.local/share/vdirsyncer/calendars/work holidays=/home/u/.local/share/h(ro) "
         "| work 7 [vdirsyncer sync] 5 1", 0},
        // vdirsyncer's quoted strings; comments; "never".
        {"# mine\n; also\n[calendar a b]\npath = \"/v/a\"\n[options]\nnotifications = never\n",
         "a b=/v/a | owl 30 [] 15 2", 0},
        // One line each for an unknown section (its keys silent), key, bad values, stray lines.
        {"[calendar a]\npath=/a\ncolour = red\nread_only = maybe\n[sync]\nx = 1\ny = 2\n[options]\n"
         "days_ahead = 0\nsync_minutes = -3\nnotifications = loud\nnew_events =\n",
         "a=/a " + defaults, 7},
        {"stray = 1\n[options\nno equals here\n[[calendars]]\n", defaults, 4},
        // Calendars left out: no path, a relative path, a name used twice, the owl's own name.
        {"[calendar a]\nread_only = yes\n[calendar b]\npath = rel/b\n[calendar c]\npath=/c\n"
         "[calendar c]\npath=/d\n[calendar owl]\npath=/o\n[calendar ]\n",
         "c=/c " + defaults, 5},
        // New events go only to a writable calendar that exists.
        {"[calendar r]\npath=/r\nread_only=true\n[options]\nnew_events=r\n", "r=/r(ro) " + defaults, 1},
        {"[options]\nnew_events=nowhere\n", defaults, 1},
        {"", defaults, 0},
    };
    for (const auto& r : rows) {
        std::vector<std::string> warnings;
        const LiveConfig c = ParseOwlConfig(r.text, "cfg", kEnv, warnings);
        std::string all;
        for (const std::string& w : warnings) all += w + "\n";
        EXPECT_EQ(Summary(c), r.seen) << r.text;
        EXPECT_EQ(warnings.size(), r.warnings) << r.text << all;
    }
}

TEST(LiveConfig, PathExpansion) {
    const ConfigEnv data{"/home/u", nullptr, "/data"};
    const struct { const char* path; const ConfigEnv& env; const char* seen; } rows[] = {
        {"~", kEnv, "/home/u"}, {"~/c", kEnv, "/home/u/c"}, {"~bob/c", kEnv, "~bob/c"},
        {"$XDG_DATA_HOME/v", kEnv, "/home/u/.local/share/v"}, {"${XDG_DATA_HOME}/v", data, "/data/v"},
        {"/x/$HOME/${HOME}", kEnv, "/x//home/u//home/u"}, {"/a/$OTHER", data, "/a/$OTHER"}};
    for (const auto& r : rows) EXPECT_EQ(ExpandConfigPath(r.path, r.env), r.seen) << r.path;
}

// khal's file: only [calendars] counts, its other sections are khal's and pass in silence.
TEST(LiveConfig, KhalCalendars) {
    std::vector<std::string> warnings;
    const LiveConfig c = ParseKhalConfig(
        "[calendars]\n[[home]]\npath = ~/.calendars/home/\ncolor = dark green\n[[feed]]\npath = /f\n"
        "readonly = True\n[[many]]\npath = ~/.calendars/*\ntype = discover\n[[nopath]]\n"
        "[locale]\ntimeformat = %H:%M\n[[home2]]\npath = /not/a/calendar\n[default]\ndefault_calendar = home\n",
        "khal", kEnv, warnings);
    EXPECT_EQ(Summary(c), "home=/home/u/.calendars/home feed=/f(ro) | owl 30 [] 15 0");
    EXPECT_EQ(warnings.size(), 2u);  // the discovered glob, the calendar without a path
}

// The owl's file wins over khal's; khal's is read without one; a file that cannot be
// read is one warning and no calendars.
TEST(LiveConfig, WhichFileCounts) {
    char tmpl[] = "/tmp/strigolo-config-XXXXXX";
    ASSERT_TRUE(mkdtemp(tmpl));
    const std::string dir = tmpl;
    const ConfigEnv env{"/nowhere", tmpl, nullptr};
    std::filesystem::create_directories(dir + "/khal");
    std::filesystem::create_directories(dir + "/strigolo");
    std::vector<std::string> warnings;
    EXPECT_EQ(LoadLiveConfig(env, warnings).file, "");
    std::ofstream(dir + "/khal/config") << "[calendars]\n[[k]]\npath = /k\n";
    EXPECT_EQ(Summary(LoadLiveConfig(env, warnings)), "k=/k | owl 30 [] 15 0");
    ASSERT_EQ(mkfifo((dir + "/strigolo/config").c_str(), 0600), 0);
    LiveConfig c = LoadLiveConfig(env, warnings);
    EXPECT_TRUE(c.file == dir + "/strigolo/config" && c.calendars.empty() && warnings.size() == 1u);
    unlink((dir + "/strigolo/config").c_str());
    std::ofstream(dir + "/strigolo/config") << "[calendar o]\npath=/o\n";
    EXPECT_EQ(Summary(LoadLiveConfig(env, warnings)), "o=/o | owl 30 [] 15 0");
    EXPECT_EQ(warnings.size(), 1u);
    std::filesystem::remove_all(dir);
}

}  // namespace
