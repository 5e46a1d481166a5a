# Quiz tests without a window: the question bank, the judgement and the panel's click rules.
strigolo_gtest(quiz_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/quiz_panel_test.cpp ${CMAKE_CURRENT_LIST_DIR}/questions_bank_test.cpp
  LIBS strigolo_app)
