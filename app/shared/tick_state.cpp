// The tick's shared state, set by the frame loop.
#include "app/shared/tick_state.h"

int menu_case_id = kMenuScene;
float global_time = 0.0f;
float draw_time = 0.0f;
std::tm* timeinfo = nullptr;
