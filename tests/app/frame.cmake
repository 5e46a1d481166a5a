strigolo_gtest(frame_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/frame_test.cpp LIBS strigolo_app)
