# Reminders: the scan of due events with chosen clocks, the notification button's
# click rules and the sound timer, with the editor's acknowledgement rules.
strigolo_gtest(reminders_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/reminders_test.cpp LIBS strigolo_app)
