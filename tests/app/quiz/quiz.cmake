# The quiz without a window: the question bank, the panel's rules, the offer's sound and time-out.
strigolo_gtest(quiz_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/quiz_test.cpp LIBS strigolo_app)
