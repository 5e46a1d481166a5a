# Calendar and reminders: the event store and its file between writers (with saves
# killed and four writers at once), the list, editor and reminder rules, iCalendar
# import and export.
set(cal_dir ${CMAKE_CURRENT_LIST_DIR})
strigolo_gtest(calendar_tests
  SOURCES ${cal_dir}/store/calendar_file_test.cpp ${cal_dir}/panels/event_rules_test.cpp
          ${cal_dir}/reminders/reminders_test.cpp ${cal_dir}/ical/ical_test.cpp ${cal_dir}/ical/occurrences_test.cpp
          ${cal_dir}/reminders/notice_ledger_test.cpp
  LIBS strigolo_app)
# The real program's --import and --export, against Debian's python3-icalendar (so
# Debian's interpreter, whatever python3 comes first on PATH), failures injected by strace.
add_test(NAME calendar_ical_cli COMMAND /usr/bin/python3 ${cal_dir}/ical/ical_cli_test.py $<TARGET_FILE:strigolo>)
set_tests_properties(calendar_ical_cli PROPERTIES LABELS e2e TIMEOUT 300 ENVIRONMENT PYTHONDONTWRITEBYTECODE=1)
