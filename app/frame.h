// The frame loop: one whole frame per display callback, the frame clock, and the
// window callbacks that record input for the next frame.
#pragma once

#include <cstdint>
#include <ctime>

// Which view the frame draws: -1 the scene, 0 event list, 1 editor, 2 editor in view
// mode, 3 quiz.
extern int menu_case_id;
constexpr int kMenuScene = -1, kMenuList = 0, kMenuEdit = 1, kMenuView = 2, kMenuQuiz = 3;
// Duration of the previous frame in seconds; every timer advances by it.
extern float global_time;
// The wall clock read at the start of the current frame (panels use it).
extern std::tm* timeinfo;

// Frame clock state: the tick count of the previous measurement.
struct FrameClock {
    uint32_t lastTickCount = 0;
};
// Seconds between `now` and the previous measurement, in unsigned 32-bit arithmetic
// so a wrap of the counter gives the right small difference; remembers `now`.
float MeasureFrameTime(FrameClock& clock, uint32_t now);
// Reads the platform tick counter into the global frame clock.
void GetGlobalTime(float& t);
// The first frame's measurement is dropped when above 0.25 s (the time since boot).
float ClampFirstFrame(float measured, bool first_frame);

void display();
void skeyboard_down(unsigned char key, int x, int y);
void skeyboard_up(unsigned char key, int x, int y);
void mouse_event(int button, int state, int x, int y);
void mouse(int x, int y);
