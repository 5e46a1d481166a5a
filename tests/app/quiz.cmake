# Quiz tests: the question bank, the panel's click rules and the judgement, driven
# without a window, and the panel drawn for real.
strigolo_gtest(quiz_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/quiz_panel_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/questions_bank_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/quiz_draw_test.cpp
  LIBS strigolo_app)
