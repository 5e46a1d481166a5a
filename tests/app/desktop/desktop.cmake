# The window on the desktop without a window: command line, scale, monitor choice and the remembered place;
# the desktop notifications' deciding.
strigolo_gtest(desktop_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/desktop_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/desktop_notices_test.cpp LIBS strigolo_app)
