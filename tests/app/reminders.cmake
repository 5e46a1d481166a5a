# Reminders: the scan of due events with chosen clocks, the notification button's
# rules and the sound timer; the step drawn for real in a GL context.
strigolo_gtest(reminders_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/reminders_test.cpp LIBS strigolo_app)
