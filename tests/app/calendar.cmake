# Calendar tests: the event store and its file, the list and editor rules, the panels
# drawn for real, and crash safety of saves.
strigolo_gtest(calendar_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/event_file_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/event_order_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/event_editor_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/event_list_test.cpp
  LIBS strigolo_app)

# The saving process the crash-safety test kills and injects faults into.
add_executable(calendar_save_loop ${CMAKE_CURRENT_LIST_DIR}/calendar_save_loop.cpp)
target_link_libraries(calendar_save_loop PRIVATE strigolo_app strigolo_warnings)
add_test(NAME calendar_crash_safety
         COMMAND Python3::Interpreter ${CMAKE_CURRENT_LIST_DIR}/calendar_crash_safety.py
                 $<TARGET_FILE:calendar_save_loop>)
set_tests_properties(calendar_crash_safety PROPERTIES LABELS unit TIMEOUT 300)

# The panels drawn in a GL context (needs the test display).
strigolo_gtest(calendar_panels_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/event_panels_test.cpp
  LIBS strigolo_app)
