# Calendar and reminders: the event store and its file between writers, the list,
# editor and reminder rules, the panels drawn in a GL context, crash safety of saves (a
# saving process killed, fault-injected, and four at once, driven by a script), and
# iCalendar import and export.
set(cal_dir ${CMAKE_CURRENT_LIST_DIR})
strigolo_gtest(calendar_tests
  SOURCES ${cal_dir}/event_file_test.cpp ${cal_dir}/calendar_file_test.cpp ${cal_dir}/event_order_test.cpp ${cal_dir}/event_editor_test.cpp
          ${cal_dir}/event_panels_test.cpp ${cal_dir}/reminders_test.cpp
          ${cal_dir}/ical_test.cpp
  LIBS strigolo_app)
add_executable(calendar_save_loop ${cal_dir}/calendar_save_loop.cpp)
target_link_libraries(calendar_save_loop PRIVATE strigolo_app strigolo_warnings)
add_test(NAME calendar_crash_safety
         COMMAND Python3::Interpreter ${cal_dir}/calendar_crash_safety.py $<TARGET_FILE:calendar_save_loop>)
set_tests_properties(calendar_crash_safety PROPERTIES LABELS unit TIMEOUT 300)
# The real program's --import and --export, checked against Debian's python3-icalendar
# (so Debian's interpreter, whatever python3 comes first on PATH).
add_test(NAME calendar_ical_cli COMMAND /usr/bin/python3 ${cal_dir}/ical_cli_test.py $<TARGET_FILE:strigolo>)
set_tests_properties(calendar_ical_cli PROPERTIES LABELS e2e TIMEOUT 300 ENVIRONMENT PYTHONDONTWRITEBYTECODE=1)
