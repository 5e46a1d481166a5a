// The calendar notice: Italian texts for each state of the file, and the band that
// shows them at the bottom of the window.
#include "app/calendar/panels/calendar_notice.h"

#include <GL/gl.h>

#include <cerrno>

#include "app/calendar/live/live_calendars.h"
#include "engine/text.h"
#include "engine/widgets.h"
#include "platform/clock.h"

namespace {

const char* ReadReason(int err) {
    switch (err) {
    case EACCES:
    case EPERM: return "permesso negato";
    case EINVAL: return "non e' un file";
    case EFBIG: return "troppo grande";
    default: return "errore di lettura";
    }
}

// The end of a long path, which names the file.
std::string Tail(const std::string& s) {
    return s.size() <= kNoticeColumns ? s : "..." + s.substr(s.size() - (kNoticeColumns - 3));
}

}  // namespace

const char* SaveReason(int err) {
    switch (err) {
    case ENOSPC:
    case EDQUOT: return "disco pieno";
    case EROFS: return "sola lettura";
    case EACCES:
    case EPERM: return "permesso negato";
    case EINVAL:
    case EISDIR: return "non e' un file";
    case ENOENT: return "cartella assente";
    case EWOULDBLOCK: return "file in uso";
    default: return "errore del disco";
    }
}

std::vector<std::string> CalendarNoticeLines(const CalendarNotices& n, uint32_t tick) {
    const std::string most = std::to_string(kMaxCalendarEvents);
    if (n.save_error == EFBIG)
        return {"Calendario NON salvato: troppi eventi", "Al massimo " + most + "; eliminane qualcuno"};
    if (n.save_error != 0)
        return {std::string("Calendario NON salvato: ") + SaveReason(n.save_error),
                "Le modifiche restano qui; riprovo fra poco"};
    if (n.full && uint32_t(tick - n.full_tick) < kFullShownMs)
        return {"Calendario pieno: al massimo " + most + " eventi", "Eliminane qualcuno per aggiungerne"};
    if (!n.put_aside.empty() && uint32_t(tick - n.put_aside_tick) < kPutAsideShownMs)
        return {"Il calendario originale e' conservato in:", Tail(n.put_aside)};
    if (!n.dangling_target.empty()) return {"Il calendario punta a un file assente:", Tail(n.dangling_target)};
    if (!n.not_read_in_full) return {};
    if (n.unreadable_error < 0)
        return {"Calendario danneggiato: letti " + std::to_string(n.loaded) + " eventi", "Non verra' sovrascritto"};
    return {std::string("Calendario illeggibile: ") + ReadReason(n.unreadable_error), "Non verra' sovrascritto"};
}

void DrawCalendarNotice() {
    const uint32_t tick = GetTickCount();
    std::vector<std::string> lines = CalendarNoticeLines(calendar_store.notices, tick);
    if (lines.empty()) lines = LiveNoticeLines(live_calendars, tick);  // database.bin's trouble first
    if (lines.empty()) return;
    // GUI units: 10-unit text, 20.5 units a line, the band 6 units beyond it.
    const float size = 10.0f, line = 20.5f, top = 6.0f + line * float(lines.size()) + 6.0f;
    PushGuiSpace();
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthMask(GL_FALSE);
    glColor4f(0.05f, 0.05f, 0.05f, 0.92f);
    glBegin(GL_QUADS);
    glVertex3f(0, 0, 0);
    glVertex3f(512, 0, 0);
    glVertex3f(512, top, 0);
    glVertex3f(0, top, 0);
    glEnd();
    glDepthMask(GL_TRUE);
    glEnable(GL_TEXTURE_2D);
    PopGuiSpace();
    glColor4f(1, 1, 1, 1);
    for (size_t i = 0; i < lines.size(); ++i)
        glPrintText(256, top - 6.0f - line * float(i + 1) + 0.5f, size, true, "%s", lines[i].c_str());
}
