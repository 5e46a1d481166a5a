# Calendar and reminders: the event store and its file, the list, editor and reminder
# rules, the panels drawn in a GL context (skipped without a display), and crash
# safety of saves (a saving process killed and fault-injected by a script).
set(cal_dir ${CMAKE_CURRENT_LIST_DIR})
strigolo_gtest(calendar_tests
  SOURCES ${cal_dir}/event_file_test.cpp ${cal_dir}/event_order_test.cpp ${cal_dir}/event_editor_test.cpp
          ${cal_dir}/event_panels_test.cpp ${cal_dir}/reminders_test.cpp
          ${cal_dir}/ical_test.cpp
  LIBS strigolo_app)
add_executable(calendar_save_loop ${cal_dir}/calendar_save_loop.cpp)
target_link_libraries(calendar_save_loop PRIVATE strigolo_app strigolo_warnings)
add_test(NAME calendar_crash_safety
         COMMAND Python3::Interpreter ${cal_dir}/calendar_crash_safety.py $<TARGET_FILE:calendar_save_loop>)
set_tests_properties(calendar_crash_safety PROPERTIES LABELS unit TIMEOUT 300)
