// The folder watch against a real folder: what each change to it reports, in order,
// including the folder renamed away, back, and another folder put in its place.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "platform/folder_watch.h"

namespace {

std::string Seen(const std::vector<FolderChange>& changes) {
    const char* kinds[] = {"changed", "created", "gone", "folder-gone", "folder-back"};
    std::string s;
    for (const FolderChange& c : changes)
        s += (s.empty() ? "" : " ") + std::to_string(c.folder) + ":" + kinds[int(c.event)] +
             (c.name.empty() ? "" : "(" + c.name + ")");
    return s;
}

TEST(FolderWatch, ReportsEachChangeAndTheFolderGoingAndComingBack) {
    char tmpl[] = "/tmp/strigolo-watch-XXXXXX";
    ASSERT_TRUE(mkdtemp(tmpl));
    const std::string top = tmpl, cal = top + "/cal", later = top + "/later";
    ASSERT_EQ(mkdir(cal.c_str(), 0700), 0);
    FolderWatch w;
    ASSERT_EQ(w.error(), "");
    EXPECT_EQ(w.Add(cal), 0u);
    EXPECT_EQ(w.Add(later), 1u);
    uint32_t now = 5000;
    auto write = [](const std::string& path) { std::ofstream(path) << "BEGIN:VCALENDAR\n"; };
    // Each step: what is done, the ms that pass before the poll, what it reports.
    const struct { std::function<void()> act; uint32_t wait; const char* seen; } steps[] = {
        {[] {}, 0, "0:folder-back"},
        {[] {}, 10, ""},
        {[&] { write(cal + "/a.ics"); }, 10, "0:created(a.ics) 0:changed(a.ics)"},
        {[&] { write(cal + "/.b.tmp"); std::rename((cal + "/.b.tmp").c_str(), (cal + "/b.ics").c_str()); }, 10,
         "0:created(.b.tmp) 0:changed(.b.tmp) 0:gone(.b.tmp) 0:changed(b.ics)"},
        {[&] { write(top + "/l.tmp"); link((top + "/l.tmp").c_str(), (cal + "/l.ics").c_str()); }, 10, "0:created(l.ics)"},
        {[&] { unlink((cal + "/a.ics").c_str()); mkdir((cal + "/sub").c_str(), 0700); }, 10, "0:gone(a.ics)"},
        {[&] { mkdir(later.c_str(), 0700); }, 10, ""},              // looked for once a second
        {[] {}, kFolderRecheckMs, "1:folder-back"},
        {[&] { std::rename(cal.c_str(), (top + "/away").c_str()); }, 10, "0:folder-gone"},
        {[&] { write(top + "/away/c.ics"); }, 10, ""},              // no longer ours
        {[&] { std::rename((top + "/away").c_str(), cal.c_str()); }, kFolderRecheckMs, "0:folder-back"},
        // Another folder renamed over the watched name (as a mount over it would be).
        {[&] { mkdir((top + "/other").c_str(), 0700); std::filesystem::remove_all(later);
               std::rename((top + "/other").c_str(), later.c_str()); }, 10, "1:folder-gone"},
        {[] {}, kFolderRecheckMs, "1:folder-back"},
        {[&] { write(later + "/d.ics");
               for (const char* n : {"/b.ics", "/c.ics", "/l.ics"}) unlink((cal + n).c_str());
               rmdir((cal + "/sub").c_str()); rmdir(cal.c_str()); }, 10,
         "1:created(d.ics) 1:changed(d.ics) 0:gone(b.ics) 0:gone(c.ics) 0:gone(l.ics) 0:folder-gone"},
        {[] {}, kFolderRecheckMs, ""},
    };
    for (const auto& s : steps) {
        s.act();
        now += s.wait;
        EXPECT_EQ(Seen(w.Poll(now)), s.seen) << &s - steps;
    }
    std::filesystem::remove_all(top);
}

}  // namespace
